// A story's language where the site names none, and the rendered copy's markup for the
// world's scripts: directions, script spans and the Arabic line-break mend never change a
// character of the text or the markup's well-formedness.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include "cleaning/CleanedChapters.h"
#include "cleaning/StoryLanguage.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace quill {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

std::string LanguageOf(const std::string& text) {
    ScriptTally tally;
    tally.Add(text, 100000);
    return tally.Language();
}

TEST(StoryLanguage, TheScriptTellsTheLanguageOnlyWhereItIsUnambiguous) {
    const std::pair<const char*, const char*> samples[] = {
        {"مرحبا بالعالم. هذه فقرة عربية، وفيها علامات ترقيم!", "ar"},
        {"این یک پاراگراف فارسی است که برای آزمایش نوشته شده", "fa"},
        {"یہ ایک اردو پیراگراف ہے جو جانچ کے لیے لکھا گیا ہے", "ur"},
        {"שלום עולם. זוהי פסקה בעברית, עם סימני פיסוק!", "he"},
        {"สวัสดีชาวโลก ภาษาไทยเขียนติดกันโดยไม่เว้นวรรค", "th"},
        {"नमस्ते दुनिया। यह हिन्दी का एक अनुच्छेद है।", "hi"},
        {"こんにちは世界。これは日本語の段落です。", "ja"},
        {"안녕하세요 세계. 이것은 한국어 문단입니다. 韓國", "ko"},
        // Written by many languages.
        {"你好，世界。这是一个中文段落。", "und"},
        {"The quick brown fox. Tiếng Việt có dấu.", "und"},
        {"Съешь же ещё этих мягких французских булок.", "und"},
        {"Hello there, مرحبا بالعالم, how are you today?", "und"},
        {"12345 !?", "und"},
        // Markup is no text: a class name does not outweigh the Thai.
        {"<p class=\"averyveryverylongclassnameindeed\">ภาษาไทย</p>", "th"},
    };
    for (const auto& [text, language] : samples) {
        EXPECT_EQ(LanguageOf(text), language) << text;
    }

    test::TempDir work;
    test::WriteFile(work.file("1.html"), "<h2>Chapter 1</h2>\n<p>שלום עולם, זוהי פסקה בעברית</p>");
    test::WriteFile(work.file("3.html"), "<p>בבוקר היה הים שקט</p>");
    EXPECT_EQ(BookLanguage("", work.path(), 3), "he");  // chapter 2 missing
    EXPECT_EQ(BookLanguage("en\nchapter:9", work.path(), 3), "he");
    EXPECT_EQ(BookLanguage("YI", work.path(), 3), "yi");  // the site's word wins
    EXPECT_EQ(BookLanguage("", work.path(), 0), "und");
}

// The text of a fragment as a reader gets it, markup left out; nothing when it is not
// well-formed.
std::optional<std::string> TextOf(const std::string& fragment) {
    const std::string doc = "<body xmlns=\"http://www.w3.org/1999/xhtml\">" + fragment + "</body>";
    xmlDoc* parsed = xmlReadMemory(doc.data(), static_cast<int>(doc.size()), nullptr, "UTF-8",
                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (parsed == nullptr) {
        return std::nullopt;
    }
    xmlChar* content = xmlNodeGetContent(xmlDocGetRootElement(parsed));
    std::string text = reinterpret_cast<const char*>(content);
    xmlFree(content);
    xmlFreeDoc(parsed);
    return text;
}

TEST(RenderedCopy, DirectionsAndScriptSpansKeepEveryCharacterWellFormed) {
    test::TempDir work;
    test::WriteFile(work.file("1.html"),
                    "<h2>Chapter 1</h2>\n"
                    "<p>مرحبا &amp; «عالم» (1998)، نعم! اَلْعَرَبِيَّةُ لا</p>\n"
                    "<p dir=\"ltr\">שלום <em>עולם</em>, נוי &lt;3</p>\n"
                    "<p>English text with a Thai word ภาษา and नमस्ते।</p>\n"
                    "<ul><li>أول</li><li>ثاني</li></ul>\n");
    for (const char* language : {"ar", "und"}) {
        SCOPED_TRACE(language);
        CleanedChapters chapters(work.path(), false, language);
        const std::string cleaned = chapters.Clean(1).xhtml;
        const bool rtl = std::string(language) == "ar";
        EXPECT_THAT(cleaned, HasSubstr(rtl ? "<h2 dir=\"rtl\">" : "<h2 dir=\"auto\">"));
        EXPECT_THAT(cleaned, AllOf(HasSubstr("<p dir=\"auto\">مرحبا"), HasSubstr("<p dir=\"ltr\">"),
                                   HasSubstr("<ul dir=\"auto\"><li>"), Not(HasSubstr("<li dir"))));

        const std::string copy = test::ReadFile(chapters.RenderedCopy(1).path);
        EXPECT_EQ(copy.rfind(rtl ? "<html lang=\"ar\" dir=\"rtl\">" : "<html lang=\"und\">", 0),
                  0u);
        const size_t body = copy.find("<body>\n") + 7;
        const std::string fragment = copy.substr(body, copy.rfind("</body>") - body);
        EXPECT_THAT(fragment, AllOf(HasSubstr("<span class=\"qs-arab\">مرحبا <wbr/>"),
                                    HasSubstr("<span class=\"qs-hebr\">"),
                                    HasSubstr("<span class=\"qs-thai\">ภาษา</span>"),
                                    HasSubstr("<span class=\"qs-deva\">नमस्ते।</span>"),
                                    HasSubstr("<span>&amp;</span>"),
                                    HasSubstr("<p dir=\"auto\">English text with a Thai")));
        const std::optional<std::string> text = TextOf(fragment);
        ASSERT_TRUE(text) << fragment;
        EXPECT_EQ(*text, TextOf(cleaned).value_or("")) << fragment;
    }
}

}  // namespace
}  // namespace quill
