// Where the rendered copy gets its soft hyphens, with the dictionaries of the hyphen-*
// packages, and the book's choices as the library and the render worker read them back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "bookjob/BookChoices.h"
#include "bookjob/Volumes.h"
#include "cleaning/SoftHyphens.h"
#include "support/TempDir.h"

namespace quill {
namespace {

namespace fs = std::filesystem;

// The soft hyphen shown as "|", so that a failure reads.
std::string Shown(std::string text) {
    for (size_t at; (at = text.find("\xC2\xAD")) != std::string::npos;) {
        text.replace(at, 2, "|");
    }
    return text;
}

TEST(SoftHyphens, LongWordsOfTheTextGetThemAndNothingElseDoes) {
    const SoftHyphens english("en-US");
    ASSERT_TRUE(english.Active()) << "hyphen-en-us is installed by set-up";
    EXPECT_EQ(Shown(english.Insert("<p>An extraordinary Hyphenation, &amp; more.</p>")),
              "<p>An ex|tra|or|di|nary Hy|phen|ation, &amp; more.</p>");
    // Tags, attribute values (even with ">" in them), references, short words and the text
    // of code stay as they are.
    const std::string kept =
        "<p title=\"extraordinary > hyphenation\">short words</p><pre>extraordinary</pre>"
        "<p><code>hyphenation<b>extraordinary</b></code>&quot;extra&#233;</p><br/>"
        "<h2>Extraordinary</h2>";
    EXPECT_EQ(english.Insert(kept), kept);
    EXPECT_EQ(Shown(english.Insert("<pre/>extraordinary")), "<pre/>ex|tra|or|di|nary");
    EXPECT_THAT(english.Identity(), ::testing::HasSubstr("hyph_en_US.dic"));

    // Dictionaries in other character sets: Russian's is KOI8-R, German's Latin-1.
    EXPECT_EQ(Shown(SoftHyphens("ru").Insert("прекрасный")), "пре|крас|ный");
    EXPECT_EQ(Shown(SoftHyphens("de-AT").Insert("Donaudampfschifffahrt")),
              "Do|nau|dampf|schiff|fahrt");
}

TEST(SoftHyphens, WithoutADictionaryOrForAScriptNotJustifiedTextStaysAsItIs) {
    const std::string text = "<p>extraordinary hyphenation</p>";
    for (const char* language : {"", "und", "eo", "en-", "../hyphen/en", "e1", "zzzz"}) {
        const SoftHyphens none(language);
        EXPECT_FALSE(none.Active()) << language;
        EXPECT_EQ(none.Insert(text), text) << language;
        EXPECT_EQ(none.Identity(), "none") << language;
    }
    // A dictionary for Thai is no reason to hyphenate it: Thai is not justified in print.
    test::TempDir folder("hyphen");
    fs::copy_file("/usr/share/hyphen/hyph_en_US.dic", folder.file("hyph_th_TH.dic"));
    fs::copy_file("/usr/share/hyphen/hyph_en_US.dic", folder.file("hyph_pt_PT.dic"));
    EXPECT_FALSE(SoftHyphens("th-TH", folder.path()).Active());
    EXPECT_FALSE(JustifiedInPrint("ja"));
    EXPECT_TRUE(JustifiedInPrint("en-GB"));
    // A region without a dictionary of its own takes one of its language's.
    EXPECT_EQ(HyphenationDictionary("pt-BR", folder.path()), folder.file("hyph_pt_PT.dic"));
    EXPECT_EQ(HyphenationDictionary("pt-Latn-PT", folder.path()), folder.file("hyph_pt_PT.dic"));
}

TEST(BookChoices, ReadBackAsWrittenAndUnknownWordsKeepTheDefaults) {
    BookChoices chosen;
    chosen.page = PagePreset::Ereader;
    chosen.text = TextSize::Large;
    chosen.dark = true;
    chosen.ragged = true;
    chosen.volumeChapters = 100;
    EXPECT_EQ(BookChoicesText(chosen), "page=ereader text=large dark ragged volume=100");
    EXPECT_EQ(ReadBookChoices(BookChoicesText(chosen)), chosen);
    EXPECT_EQ(ReadBookChoices(""), BookChoices{});
    EXPECT_EQ(ReadBookChoices("page=a3 text=huge volume=-4 margins=wide"), BookChoices{});

    const PageLook look = LookOf(chosen, "en");
    EXPECT_EQ(ReadPageLook(PageLookText(look)), look);
    EXPECT_FALSE(LookOf(BookChoices{}, "th").justified);
    EXPECT_FALSE(ReadPageLook("a4 medium dark"));
}

TEST(Volumes, EachHoldsItsRangeAndOnlyThoseWithChaptersAreMade) {
    const std::vector<VolumeRange> volumes = PlanVolumes({1, 2, 3, 7, 10}, 3, 10);
    ASSERT_EQ(volumes.size(), 3u);  // 4..6 holds no chapter file
    EXPECT_EQ(VolumeSuffix(volumes[0]), " — Volume 1 (chapters 1–3)");
    EXPECT_EQ(VolumeSuffix(volumes[1]), " — Volume 3 (chapters 7–9)");
    EXPECT_EQ(VolumeSuffix(volumes[2]), " — Volume 4 (chapter 10)");
    EXPECT_EQ(VolumeSuffix(PlanVolumes({5}, 0, 5).front()), "");
}

}  // namespace
}  // namespace quill
