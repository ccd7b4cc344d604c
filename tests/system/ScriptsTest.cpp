// Stories in the world's scripts, from the simulator to both editions: every script's text
// in the PDF's text layer, each paragraph in its own direction, and the story's language
// from the site's own data in the books and the library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "QuillbyRun.h"
#include "support/PdfProbe.h"
#include "support/Process.h"
#include "support/StorySim.h"
#include "support/TestPaths.h"

namespace quill::test {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

// The text a reader searches: NFKC (Arabic presentation forms read as their letters),
// without the bidirectional controls pdftotext puts around right-to-left runs, every run of
// white space one blank.
std::string Searchable(const std::string& text) {
    UErrorCode error = U_ZERO_ERROR;
    const icu::UnicodeString normal = icu::Normalizer2::getNFKCInstance(error)->normalize(
        icu::UnicodeString::fromUTF8(text), error);
    std::string utf8;
    normal.toUTF8String(utf8);
    utf8 = std::regex_replace(utf8, std::regex("\xE2\x80[\xAA-\xAE]"), "");
    return std::regex_replace(utf8, std::regex("\\s+"), " ");
}

std::string PageText(const std::string& pdf, int page) {
    const RunResult text = test::Run({"pdftotext", "-enc", "UTF-8", "-f", std::to_string(page),
                                      "-l", std::to_string(page), pdf, "-"},
                                     {}, 30s);
    EXPECT_TRUE(text.succeeded()) << text.Describe();
    return text.stdOut;
}

// A page's words grouped into lines by their baseline.
struct Line {
    double xMin = 1e9, xMax = 0;
    std::string text;
};
std::vector<Line> Lines(const PdfPage& page) {
    std::map<long, Line> lines;
    for (const PdfWord& word : page.words) {
        Line& line = lines[std::lround(word.yMax)];
        line.xMin = std::min(line.xMin, word.xMin);
        line.xMax = std::max(line.xMax, word.xMax);
        line.text += word.text;
    }
    std::vector<Line> out;
    for (auto& [y, line] : lines) {
        out.push_back(line);
    }
    return out;
}

bool HasArabicOrHebrew(const std::string& text) {
    // Their UTF-8 lead bytes: U+0590 to U+06FF, and the presentation forms (U+FB1D on).
    return std::regex_search(text, std::regex("[\xD6-\xDB]|\xEF[\xAC-\xBB]"));
}

// The chapter page's margins: A4, 20 mm at the sides.
constexpr double kLeftMargin = 56.69;
constexpr double kRightMargin = 595.0 - 56.69;
constexpr double kSlack = 2;

class Scripts : public ::testing::Test {
  protected:
    // Downloads the story as both editions and returns the PDF's path.
    std::string Download(int story) {
        const RunResult run =
            test::Run({QuillbyPath(), "--download", "--format", "both", sim_.story_url(story)},
                      desk_.env(), 120s);
        EXPECT_TRUE(run.succeeded()) << run.Describe() << "\n" << run.stdOut;
        const std::vector<std::string> out = test::Lines(run.stdOut);
        return out.empty() ? "" : out.back();
    }
    // The library's record of the story, its fields as `quillby --list` prints them.
    std::vector<std::string> Listed(int story) {
        const RunResult list = test::Run({QuillbyPath(), "--list"}, desk_.env(), 30s);
        EXPECT_TRUE(list.succeeded()) << list.Describe();
        for (const std::string& line : test::Lines(list.stdOut)) {
            std::vector<std::string> fields;
            std::stringstream in(line);
            for (std::string field; std::getline(in, field, '\t');) {
                fields.push_back(field);
            }
            if (!fields.empty() && fields[0] == std::to_string(story)) {
                return fields;
            }
        }
        return {};
    }
    std::string EpubEntry(const std::string& epub, const std::string& name) {
        const RunResult entry = test::Run({"unzip", "-p", epub, name}, {}, 30s);
        EXPECT_TRUE(entry.succeeded()) << entry.Describe();
        return entry.stdOut;
    }

    StorySim sim_;
    QuillbyDesk desk_{sim_.base_url()};
};

TEST_F(Scripts, EveryScriptReachesThePdfsTextLayerAndEachParagraphItsOwnDirection) {
    const std::string pdf = Download(1801);
    ASSERT_FALSE(pdf.empty());
    // Words of each chapter (pages 2 to 14). Not chosen: words with a vowel sign written
    // before its consonant (Bengali িব, Devanagari ि) or with Hebrew points, which come out
    // in the order they are drawn.
    const std::vector<std::vector<std::string>> chapters = {
        {"quick brown fox", "Tiếng Việt có dấu", "İstanbul", "piña", "Magandang umaga"},
        {"Глава о море", "французских булок", "густой туман"},
        {"Το λιμάνι", "ψυχοφθόρα βδελυγμία", "καΐκια"},
        {"مرحبا بالعالم", "فقرة عربية", "علامات ترقيم", "الصياد العجوز", "1998"},
        {"פרק ראשון", "שלום עולם", "הדייג הזקן"},
        {"สวัสดีชาวโลก", "ภาษาไทยเขียนติดกัน", "ตอนเช้าทะเลสงบมาก"},
        {"पहला अध्याय", "नमस्ते", "अनुच्छेद", "समुद्र"},
        {"প্রথম অধ্যায়", "বাংলা", "শান্ত"},
        {"வணக்கம் உலகம்", "தமிழ் பத்தி", "அத்தியாயம்"},
        {"第一章 港口", "你好，世界", "中文段落", "一艘接一艘"},
        {"こんにちは世界", "日本語の段落", "カタカナ", "一隻ずつ"},
        {"첫 번째 장", "안녕하세요 세계", "한국어 문단입니다"},
        // The words after an emoji stay on its line, in their order.
        {"Emoji 😀 and words", "Alpha bravo 😀 charlie delta echo.",
         "India 🎉🎉 juliet kilo 👍🏽 lima mike.", "Tight😀joined words",
         "🚀 tango uniform."},
    };
    for (size_t i = 0; i < chapters.size(); ++i) {
        const std::string text = Searchable(PageText(pdf, static_cast<int>(i) + 2));
        for (const std::string& words : chapters[i]) {
            EXPECT_THAT(text, HasSubstr(Searchable(words))) << "chapter " << i + 1;
        }
    }

    // An Arabic paragraph ends at the right margin, the English one beside it starts at the
    // left, and no line runs off the page.
    const std::vector<PdfPage> pages = PdfWords(pdf);
    ASSERT_GE(pages.size(), 6u);
    for (const int page : {4, 5}) {  // the Arabic and the Hebrew chapter
        int rightToLeft = 0;
        for (const Line& line : Lines(pages[page])) {
            EXPECT_GE(line.xMin, kLeftMargin - kSlack) << line.text;
            EXPECT_LE(line.xMax, kRightMargin + kSlack) << line.text;
            if (HasArabicOrHebrew(line.text)) {
                ++rightToLeft;
                EXPECT_NEAR(line.xMax, kRightMargin, kSlack) << line.text;
            } else if (line.text.find("English") != std::string::npos) {
                EXPECT_NEAR(line.xMin, kLeftMargin, kSlack) << line.text;
            }
        }
        EXPECT_GE(rightToLeft, 4) << "page " << page + 1;
    }
}

TEST_F(Scripts, AnArabicStoryNamesItsLanguageInBothEditionsAndRunsRightToLeft) {
    const std::string pdf = Download(1802);
    ASSERT_FALSE(pdf.empty());
    const std::string epub = pdf.substr(0, pdf.size() - 4) + ".epub";

    const nlohmann::json json = QpdfJson(pdf, {"qpdf"});
    EXPECT_EQ(QpdfObject(json, QpdfObject(json, "trailer").at("/Root")).at("/Lang"), "u:ar");
    const std::string package = EpubEntry(epub, "OEBPS/content.opf");
    EXPECT_THAT(package,
                AllOf(HasSubstr("xml:lang=\"ar\""), HasSubstr("<dc:language>ar<"),
                      HasSubstr("<spine toc=\"ncx\" page-progression-direction=\"rtl\">")));
    for (const char* document : {"OEBPS/cover.xhtml", "OEBPS/nav.xhtml", "OEBPS/chapter-1.xhtml",
                                 "OEBPS/chapter-2.xhtml"}) {
        EXPECT_THAT(EpubEntry(epub, document),
                    HasSubstr("lang=\"ar\" xml:lang=\"ar\" dir=\"rtl\">"))
            << document;
    }
    const RunResult check = test::Run({"java", "-XX:TieredStopAtLevel=1", "-XX:+UseSerialGC",
                                       "-jar", QUILLBY_EPUBCHECK_JAR, epub},
                                      {}, 180s);
    EXPECT_THAT(check.stdOut, HasSubstr("No errors or warnings detected."))
        << check.stdOut << check.stdErr;
    const std::vector<std::string> listed = Listed(1802);
    ASSERT_GE(listed.size(), 4u);
    EXPECT_EQ(listed[3], "ar");

    // Every line of the Arabic paragraphs wraps within the margins and ends at the right
    // one; a chapter heading in Latin letters stands on the right as well.
    const std::vector<PdfPage> pages = PdfWords(pdf);
    ASSERT_EQ(pages.size(), 3u);
    int arabicLines = 0;
    for (const Line& line : Lines(pages[1])) {
        EXPECT_GE(line.xMin, kLeftMargin - kSlack) << line.text;
        EXPECT_LE(line.xMax, kRightMargin + kSlack) << line.text;
        arabicLines += HasArabicOrHebrew(line.text) && std::abs(line.xMax - kRightMargin) < kSlack;
    }
    EXPECT_GE(arabicLines, 5);
    const std::vector<Line> second = Lines(pages[2]);
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(second.front().text, "Chapter2");
    EXPECT_NEAR(second.front().xMax, kRightMargin, kSlack);
}

}  // namespace
}  // namespace quill::test
