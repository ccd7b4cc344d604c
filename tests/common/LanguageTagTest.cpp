// A story's language as the site gives it: only a well-formed BCP 47 tag goes on.
#include <gtest/gtest.h>

#include "common/LanguageTag.h"

namespace quill::test {
namespace {

TEST(LanguageTag, AWellFormedTagComesInTheRegistrysCaseAndNothingElseComesAtAll) {
    const std::pair<const char*, const char*> taken[] = {
        {"ar", "ar"},
        {"EN-us", "en-US"},
        {"zh-hant-tw", "zh-Hant-TW"},
        {"fil", "fil"},
        {"es-419", "es-419"},
        {"zh-yue-HK", "zh-yue-HK"},
        {"sl-rozaj-biske", "sl-rozaj-biske"},
        {"de-CH-1996", "de-CH-1996"},
        {"en-a-bbb-x-private", "en-a-bbb-x-private"},
        {"und", "und"},
    };
    for (const auto& [given, written] : taken) {
        EXPECT_EQ(WellFormedLanguageTag(given), std::optional<std::string>(written)) << given;
    }
    const char* refused[] = {
        "",
        "e",
        "en_US",
        "en US",
        " ar",
        "ar\nchapter:99",
        "ar-",
        "-ar",
        "ar--EG",
        "123",
        "en-a",
        "en-a-bb-a-cc",
        "x-private",
        "i-klingon",
        "en-x",
        "abcdefghi",
        "en-Latn-US-toolongvariant",
        "ar\xD8\xB9",
        "ar<script>",
    };
    for (const char* text : refused) {
        EXPECT_EQ(WellFormedLanguageTag(text), std::nullopt) << text;
    }
    EXPECT_EQ(WellFormedLanguageTag(std::string(65, 'a')), std::nullopt);
}

TEST(LanguageTag, RightToLeftByTheScriptSubtagElseByTheLanguage) {
    for (const char* rtl : {"ar", "ar-EG", "he", "fa", "ur-PK", "yi", "az-Arab", "ks-Arab-IN"}) {
        EXPECT_TRUE(IsRightToLeftLanguage(rtl)) << rtl;
    }
    for (const char* ltr : {"en", "und", "az", "th", "ja", "ar-Latn", "uz-Cyrl", "hebrew"}) {
        EXPECT_FALSE(IsRightToLeftLanguage(ltr)) << ltr;
    }
}

}  // namespace
}  // namespace quill::test
