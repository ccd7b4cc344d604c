// The book builder against the real engines, on work folders laid out the way the
// downloader and the completion step leave them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>

#include "assembly/BookBuilder.h"
#include "assembly/BookName.h"
#include "common/Digest.h"
#include "common/Paths.h"
#include "epub/EpubBook.h"
#include "page/PageRender.h"
#include "pdf/BookFinish.h"
#include "pdfium/PdfiumCore.h"
#include "support/PdfProbe.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"
#include "wkhtmltox/WkHtmlToXCore.h"

namespace quill {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Pair;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(MakeBookName, DecodesEscapesAndKeepsAStrayPercentAsText) {
    EXPECT_EQ(MakeBookName("A%20B"), "A B");
    EXPECT_EQ(MakeBookName("100% Love"), "100 Love");
    EXPECT_EQ(MakeBookName("Half%ZZway"), "HalfZZway");
    EXPECT_EQ(MakeBookName("Caf%u00E9"), "Café");
    EXPECT_EQ(MakeBookName("Caf%U00e9 %u12"), "Café u12");
    // Each escaped byte is one character: the UTF-8 pair of "é" gives two.
    EXPECT_EQ(MakeBookName("%C3%A9"), "\u00C3\u00A9");
    EXPECT_EQ(MakeBookName("Left%2FRight"), "Left Right");
    EXPECT_EQ(MakeBookName("Zoë’s Café — Nuit"), "Zoë’s Café — Nuit");
}

TEST(MakeBookName, CutsAtFortyUnitsWithoutSplittingACharacter) {
    const std::string fifty(50, 'x');
    EXPECT_EQ(MakeBookName(fifty), std::string(40, 'x'));
    // U+1F600 takes two UTF-16 units: at units 40 and 41 it does not fit, at 39 and 40 it does.
    EXPECT_EQ(MakeBookName(std::string(39, 'a') + "😀tail"), std::string(39, 'a'));
    EXPECT_EQ(MakeBookName(std::string(38, 'a') + "😀tail"), std::string(38, 'a') + "😀");
    EXPECT_EQ(MakeBookName(std::string(38, 'a') + "%uD83D%uDE00"), std::string(38, 'a') + "😀");
}

TEST(MakeBookName, NeverGivesAnEmptyOrHiddenName) {
    const std::string commas = std::string(40, ',') + "x";
    EXPECT_EQ(MakeBookName(commas), "Untitled");
    for (const char* title : {"", "...", "%2E%2E", "???", commas.c_str()}) {
        const std::string name = MakeBookName(title);
        EXPECT_FALSE(name.empty()) << title;
        EXPECT_NE(name.front(), '.') << title;
    }
}

TEST(ChooseBookPath, NeverReplacesAnotherStorysBook) {
    test::TempDir dir("names");
    const std::map<std::string, std::optional<std::string>> recorded = {
        {dir.file("Tale.pdf"), "https://site/story/1"},
        {dir.file("Tale (2).pdf"), std::nullopt},
        {dir.file("Tale (3).pdf"), "https://site/story/2"}};
    for (const auto& [path, story] : recorded) {
        test::WriteFile(path, "%PDF");
    }
    fs::create_directory(dir.file("Tale (4).pdf"));
    const StoryOfBook storyOf = [&](const std::string& path) { return recorded.at(path); };

    EXPECT_EQ(ChooseBookPath(dir.path(), "Tale", ".pdf", "https://site/story/1", storyOf),
              dir.file("Tale.pdf"));
    EXPECT_EQ(ChooseBookPath(dir.path(), "Tale", ".pdf", "https://site/story/2", storyOf),
              dir.file("Tale (3).pdf"));
    EXPECT_EQ(ChooseBookPath(dir.path(), "Tale", ".pdf", "https://site/story/9", storyOf),
              dir.file("Tale (5).pdf"));
    EXPECT_EQ(ChooseBookPath(dir.path(), "Tale", ".pdf", "", storyOf), dir.file("Tale (2).pdf"));
}

TEST(FilePathToUrl, EncodesWhatAnAddressCannotCarry) {
    EXPECT_EQ(FilePathToUrl("/home/u/My Books/tmp/3.html"), "file:///home/u/My%20Books/tmp/3.html");
    EXPECT_EQ(FilePathToUrl("/a#b/%/+/*/[x]/<y>/é/😀.html"),
              "file:///a%23b/%25/%2B/%2A/%5Bx%5D/%3Cy%3E/%C3%A9/%F0%9F%98%80.html");
    EXPECT_EQ(FilePathToUrl("/keep~_-./x"), "file:///keep~_-./x");
    // Everything else is escaped, also what an address could carry but may read otherwise.
    EXPECT_EQ(FilePathToUrl("/a?b\"c`d{e}f|g^h\x7Fi:!$&'(),;=@"),
              "file:///a%3Fb%22c%60d%7Be%7Df%7Cg%5Eh%7Fi%3A%21%24%26%27%28%29%2C%3B%3D%40");
    EXPECT_EQ(FilePathToUrl("C:\\Data\\My Books\\tmp\\3.html"),
              "file:///C:/Data/My%20Books/tmp/3.html");
}

// The window's log as the builder drives it: appended and replaced lines in order.
class RecordingLog : public IWindowLog {
  public:
    void Log(const std::string& text) override { events.push_back("+" + text); }
    void UpdateLog(const std::string& text) override { events.push_back("=" + text); }
    void ProcessMessages() override {}

    std::vector<std::string> events;
};

int PageCount(const std::string& pdf) {
    TPdfDocument document;
    document.LoadFromFile(pdf);
    return document.PageCount();
}

std::string PdfText(const std::string& pdf) {
    const test::RunResult r = test::Run({"pdftotext", "-enc", "UTF-8", pdf, "-"}, {}, 60s);
    EXPECT_TRUE(r.succeeded()) << r.Describe();
    return r.stdOut;
}

// The printed page number: the lowest word of the page, below all others, made of digits
// and centred across the page; empty when the page has none.
std::string FootNumber(const test::PdfPage& page) {
    if (page.words.empty()) {
        return "";
    }
    const test::PdfWord* foot = &page.words.front();
    for (const test::PdfWord& word : page.words) {
        if (word.yMin > foot->yMin) {
            foot = &word;
        }
    }
    for (const test::PdfWord& word : page.words) {
        if (&word != foot && word.yMax > foot->yMin) {
            return "";
        }
    }
    const double centre = (foot->xMin + foot->xMax) / 2;
    const bool digits = foot->text.find_first_not_of("0123456789") == std::string::npos;
    return digits && std::abs(centre - page.width / 2) < 2 ? foot->text : "";
}

// Work and data folders whose paths hold blanks, "#" and non-ASCII letters.
class BookBuild : public ::testing::Test {
  protected:
    BookBuild() {
        job_.tmpdir = base_.path() + "/work dir #é";
        job_.datadir = base_.path() + "/data ü#";
        fs::create_directory(fs::u8path(job_.tmpdir));
        fs::create_directory(fs::u8path(job_.datadir));
        job_.booktitle = "Zoë’s Café";
        job_.renderer = test::QuillrenderPath();
    }

    // A chapter file as the downloader writes it: heading line, then one div per page.
    void WriteChapter(int n, const std::string& heading, const std::vector<std::string>& pages) {
        std::string doc = "<h2>" + heading + "</h2>\n";
        for (const std::string& page : pages) {
            doc += "<div class=\"page\">\n" + page + "</div>\n";
        }
        WriteWork(std::to_string(n) + ".html", doc);
    }

    // The cover page and picture the completion step puts beside the chapters.
    void WriteCover() {
        WriteWork("0.html",
                  "\xEF\xBB\xBF<!DOCTYPE html>\n<html><head><title></title><style>\n"
                  ".center { height: 300px; display: flex; align-items: center; "
                  "justify-content: center; }\n</style></head>\n<body><div class=\"center\">"
                  "</div>\n<div style=\"text-align: center\"><img src=\"cover.jpg\"></div>\n"
                  "</body></html>\n");
        const std::string picture = fs::path(test::StorySimScript()).parent_path() / "cover.jpg";
        WriteWork("cover.jpg", test::ReadFile(picture));
    }

    void WriteWork(const std::string& name, const std::string& bytes) {
        test::WriteFile(JoinPath(job_.tmpdir, name), bytes);
    }
    std::string Work(const std::string& name) const { return JoinPath(job_.tmpdir, name); }

    test::TempDir base_{"Zoë’s #1 books"};
    BookJob job_;
    RecordingLog log_;
};

TEST_F(BookBuild, MergesEveryExistingChapterInOrderWithTheWindowLogLines) {
    WriteCover();
    WriteChapter(1, "Chapter One", {"<p>first page</p>\n", "<p>second page</p>\n"});
    std::string longPage;
    for (int i = 0; i < 120; ++i) {
        longPage += "<p>A paragraph long enough to fill the page more quickly.</p>\n";
    }
    WriteChapter(2, "Chapter Two", {longPage});
    // The downloader writes the heading as the page had it, unescaped.
    WriteChapter(4, "Fish & Chips <3", {"<p>after the gap</p>\n"});  // 3 was skipped
    job_.lastchapter = 4;
    job_.bookauthor = "Åsa Lindqvist 山田";
    job_.storyurl = "https://quillby.example/story/1150-zoe?x=1&y=%C3%A9";
    job_.bookfile = "earlier book";
    const std::string debugLog = base_.file("debug.log");
    setenv("QUILLBY_DEBUG_LOG", debugLog.c_str(), 1);

    BuildBook(job_, log_);
    unsetenv("QUILLBY_DEBUG_LOG");

    // The engine gets the cleaned copy as an address, with blanks, "#" and non-ASCII escaped.
    const std::string root = fs::path(base_.path()).parent_path().string();
    EXPECT_THAT(
        test::ReadFile(debugLog),
        HasSubstr("page=file://" + root +
                  "/Zo%C3%AB%E2%80%99s%20%231%20books/work%20dir%20%23%C3%A9/.render-4.html\n"));

    const std::string book = job_.datadir + "/Zoë’s Café.pdf";
    EXPECT_EQ(job_.bookfile, book);
    EXPECT_EQ(job_.bookdir, job_.tmpdir + "/");
    EXPECT_FALSE(FileExists(Work("3.pdf")));
    const int cover = PageCount(Work("0.pdf")), one = PageCount(Work("1.pdf"));
    const int two = PageCount(Work("2.pdf")), four = PageCount(Work("4.pdf"));
    EXPECT_GT(two, 1);
    EXPECT_EQ(PageCount(book), cover + one + two + four);
    const auto at = [](int total) { return " page " + std::to_string(total); };
    EXPECT_THAT(log_.events, ElementsAreArray<std::string>({
                                 "+",
                                 "+",
                                 "=process html pdf 0",
                                 "=process html pdf 1",
                                 "=process html pdf 2",
                                 "=process html pdf 4",
                                 "+building book ....",
                                 "=process pdf file 0" + at(0),
                                 "=process pdf file 1" + at(cover),
                                 "=process pdf file 2" + at(cover + one),
                                 "=process pdf file 4" + at(cover + one + two),
                                 "+save pdf file " + book,
                             }));
    const std::string text = PdfText(book);
    const size_t first = text.find("Chapter One"), second = text.find("Chapter Two");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, text.find("Fish & Chips <3"));

    // The outline: the cover, then every chapter that reached the book, at its first
    // page; the viewer opens with it shown.
    const nlohmann::json pdf = test::QpdfJson(book, {"outlines", "pagelabels", "qpdf"});
    std::vector<std::pair<std::string, int>> outline;
    for (const nlohmann::json& item : pdf.at("outlines")) {
        outline.emplace_back(item.at("title"), item.at("destpageposfrom1"));
    }
    EXPECT_THAT(outline, ElementsAre(Pair("Cover", 1), Pair("Chapter One", cover + 1),
                                     Pair("Chapter Two", cover + one + 1),
                                     Pair("Fish & Chips <3", cover + one + two + 1)));
    const nlohmann::json trailer = test::QpdfObject(pdf, "trailer");
    EXPECT_EQ(test::QpdfObject(pdf, trailer.at("/Root")).at("/PageMode"), "/UseOutlines");

    // Page labels and printed numbers agree: none on the cover, 1 on the first chapter page.
    ASSERT_EQ(pdf.at("pagelabels").size(), 2u) << pdf.at("pagelabels");
    EXPECT_EQ(pdf.at("pagelabels")[0].at("index"), 0);
    EXPECT_EQ(pdf.at("pagelabels")[0].at("label").at("/P"), "u:Cover");
    EXPECT_EQ(pdf.at("pagelabels")[1].at("index"), cover);
    EXPECT_EQ(pdf.at("pagelabels")[1].at("label").at("/S"), "/D");
    EXPECT_EQ(pdf.at("pagelabels")[1].at("label").at("/St"), 1);
    const std::vector<test::PdfPage> pages = test::PdfWords(book);
    ASSERT_EQ(static_cast<int>(pages.size()), cover + one + two + four);
    for (int i = 0; i < static_cast<int>(pages.size()); ++i) {
        EXPECT_EQ(FootNumber(pages[i]), i < cover ? "" : std::to_string(i - cover + 1))
            << "page " << i + 1;
    }

    // The information names the story, its author and what made the book, and records
    // the story's address for the next build's choice of name.
    const std::map<std::string, std::string> info = test::PdfInfo(book);
    EXPECT_EQ(info.at("Title"), "Zoë’s Café");
    EXPECT_EQ(info.at("Author"), "Åsa Lindqvist 山田");
    EXPECT_EQ(info.at("Creator"), "Quillby Downloader " QUILLBY_VERSION);
    EXPECT_THAT(info.at("Producer"),
                AllOf(HasSubstr("wkhtmltox"), HasSubstr("PDFium"), HasSubstr("qpdf")));
    EXPECT_EQ(test::QpdfObject(pdf, trailer.at("/Info")).at("/QuillbyStory"), "u:" + job_.storyurl);
    EXPECT_EQ(ReadStoryOfBook(book), job_.storyurl);
    // And the chapters it holds, so that a later build never replaces it with less.
    EXPECT_EQ(test::QpdfObject(pdf, trailer.at("/Info")).at("/QuillbyChapters"), "u:1-2,4");
    EXPECT_EQ(test::QpdfProblems(book), "");

    // The merge's scratch file is gone; only the book reached the data folder.
    for (const std::string& name : test::ListDir(job_.tmpdir)) {
        EXPECT_NE(name.rfind("._", 0), 0u) << name;
    }
    EXPECT_EQ(test::ListDir(job_.datadir), std::vector<std::string>{"Zoë’s Café.pdf"});
}

TEST_F(BookBuild, NonAsciiTextReadsBackUnchangedFromTheBook) {
    const std::vector<std::string> lines = {
        "Zoë’s café — “quoted” and ‘single’ – naïve… ß",
        "Ελληνικά and Кириллица, déjà vu, façade, Ærø",
    };
    WriteChapter(1, "Café — «Nuit»", {"<p>" + lines[0] + "</p>\n<p>" + lines[1] + "</p>\n"});
    job_.lastchapter = 1;
    BuildBook(job_, log_);

    const std::string text = PdfText(job_.bookfile);
    EXPECT_THAT(text, HasSubstr("Café — «Nuit»"));
    for (const std::string& line : lines) {
        EXPECT_THAT(text, HasSubstr(line));
    }
}

// The chapter pages' lines, top to bottom: each line's top and the paragraph its words
// belong to (words "p<k>..." are paragraph k's).
struct TextLine {
    double top, height;
    int paragraph;
};

std::vector<TextLine> ParagraphLines(const test::PdfPage& page) {
    std::map<long, TextLine> lines;
    for (const test::PdfWord& word : page.words) {
        if (word.text.size() > 1 && word.text[0] == 'p' && std::isdigit(word.text[1])) {
            const long key = std::lround(word.yMin * 10);
            lines[key] = {word.yMin, word.yMax - word.yMin, std::stoi(word.text.substr(1))};
        }
    }
    std::vector<TextLine> ordered;
    for (const auto& [key, line] : lines) {
        ordered.push_back(line);
    }
    return ordered;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// pdftotext's word boxes span the font's ascent and descent: 1.362 of the font size for
// Noto Serif (1069 + 293 units of 1000), the face the book style names for Latin text.
constexpr double kSerifBoxPerPoint = 1.362;
constexpr double kPointsPerMm = 72 / 25.4;

TEST_F(BookBuild, ChapterPagesGetTheBookStyleAndTheCoverKeepsItsOwn) {
    WriteCover();
    // Paragraphs of one to nine lines, so that page breaks fall inside some of them.
    std::string page;
    for (int k = 0; k < 90; ++k) {
        page += "<p>";
        for (int w = 0; w < 6 + (k * 37) % 100; ++w) {
            page += "p" + std::to_string(k) + std::string(w % 5, 'x') + " ";
        }
        page += "</p>\n";
    }
    WriteChapter(1, "Typography", {page});
    const std::string chapterFile = test::ReadFile(Work("1.html"));
    job_.lastchapter = 1;
    BuildBook(job_, log_);
    // The style comes from a sheet beside the chapters; the chapter files stay as they are.
    EXPECT_TRUE(FileExists(Work("book.css")));
    EXPECT_TRUE(test::ReadFile(Work("1.html")) == chapterFile);

    // Set in the face the style sheet names, whatever fontconfig would choose for "serif".
    const test::RunResult fonts = test::Run({"pdffonts", Work("1.pdf")}, {}, 30s);
    ASSERT_TRUE(fonts.succeeded()) << fonts.Describe();
    EXPECT_THAT(fonts.stdOut, HasSubstr("NotoSerif-Regular"));

    const std::vector<test::PdfPage> pages = test::PdfWords(job_.bookfile);
    const int cover = PageCount(Work("0.pdf"));
    ASSERT_GT(static_cast<int>(pages.size()), cover + 2);
    std::vector<double> heights, pitches;
    double headingHeight = 0;
    std::vector<std::vector<TextLine>> chapterLines;
    for (size_t i = cover; i < pages.size(); ++i) {
        const test::PdfPage& p = pages[i];
        const double margin = 18 * kPointsPerMm;
        const std::string number = FootNumber(p);
        for (const test::PdfWord& word : p.words) {
            if (word.text == "Typography") {
                headingHeight = word.yMax - word.yMin;
            }
            EXPECT_GE(word.xMin, margin) << word.text;
            EXPECT_LE(word.xMax, p.width - margin) << word.text;
            EXPECT_GE(word.yMin, margin) << word.text;
            if (word.text != number) {
                EXPECT_LE(word.yMax, p.height - margin) << word.text << " on page " << i + 1;
            }
        }
        chapterLines.push_back(ParagraphLines(p));
        const std::vector<TextLine>& lines = chapterLines.back();
        for (size_t l = 0; l < lines.size(); ++l) {
            heights.push_back(lines[l].height);
            if (l > 0 && lines[l].paragraph == lines[l - 1].paragraph) {
                pitches.push_back(lines[l].top - lines[l - 1].top);
            }
        }
    }
    const double bodyPoints = Median(heights) / kSerifBoxPerPoint;
    EXPECT_NEAR(bodyPoints, 11, 0.3);
    EXPECT_NEAR(Median(pitches) / bodyPoints, 1.4, 0.06);
    EXPECT_GT(headingHeight, 1.4 * Median(heights));

    // A paragraph split by a page break keeps at least two lines on either side.
    for (size_t i = 0; i + 1 < chapterLines.size(); ++i) {
        const std::vector<TextLine>& before = chapterLines[i];
        const std::vector<TextLine>& after = chapterLines[i + 1];
        if (before.empty() || after.empty() || before.back().paragraph != after.front().paragraph) {
            continue;
        }
        const int k = after.front().paragraph;
        const auto inK = [k](const TextLine& line) { return line.paragraph == k; };
        EXPECT_GE(std::count_if(before.begin(), before.end(), inK), 2) << "paragraph " << k;
        EXPECT_GE(std::count_if(after.begin(), after.end(), inK), 2) << "paragraph " << k;
    }

    // The cover page looks exactly as it does rendered on its own, without the book style.
    HtmlToPdf(Work("0.html"), Work("plain cover.pdf"));
    const auto raster = [](const std::string& pdf) {
        const test::RunResult r =
            test::Run({"pdftoppm", "-r", "20", "-gray", "-f", "1", "-l", "1", pdf}, {}, 30s);
        EXPECT_TRUE(r.succeeded()) << r.Describe();
        return r.stdOut;
    };
    EXPECT_TRUE(raster(Work("0.pdf")) == raster(Work("plain cover.pdf"))) << "the cover changed";
}

TEST_F(BookBuild, ChapterMarkupReadsNoFileAndRunsNoScript) {
    WriteCover();
    test::WriteFile(base_.file("secret.html"), "<p>OUTSIDE-SECRET</p>");
    test::WriteFile(base_.file("evil.css"), "body::before { content: \"CSS-LEAK\"; }");
    WriteWork("inside.html", "<p>INSIDE-FRAME</p>");
    const std::string secretUrl = FilePathToUrl(base_.file("secret.html"));
    WriteChapter(1, "Hostile",
                 {"<link rel=\"stylesheet\" href=\"../evil.css\">\n"
                  "<iframe src=\"../secret.html\"></iframe>\n"
                  "<iframe src=\"" +
                  secretUrl +
                  "\"></iframe>\n"
                  "<iframe src=\"inside.html\"></iframe>\n"
                  "<img src=\"file:///etc/hostname\">\n"
                  "<script>document.write('SCRIPT-' + 'RAN');</script>\n"
                  "<p>plain text</p>\n"});
    job_.lastchapter = 1;
    BuildBook(job_, log_);

    const std::string text = PdfText(job_.bookfile);
    EXPECT_THAT(text, HasSubstr("plain text"));
    EXPECT_THAT(text, Not(HasSubstr("INSIDE-FRAME"))) << "chapters load no frames at all";
    EXPECT_THAT(text, Not(HasSubstr("OUTSIDE-SECRET")));
    EXPECT_THAT(text, Not(HasSubstr("CSS-LEAK")));
    EXPECT_THAT(text, Not(HasSubstr("SCRIPT-RAN")));

    // The cover picture beside the pages still shows, at its full size, on page 1.
    const test::RunResult images =
        test::Run({"pdfimages", "-list", "-f", "1", "-l", "1", job_.bookfile}, {}, 30s);
    ASSERT_TRUE(images.succeeded()) << images.Describe();
    EXPECT_THAT(images.stdOut, ::testing::ContainsRegex("image +600 +900 "));
}

// A cover without chapters is no book, nor is a build whose every page failed: nothing
// is saved, and the message says why.
TEST_F(BookBuild, ABuildWithoutAChapterSavesNothing) {
    WriteCover();
    WriteChapter(1, "Not wanted", {"<p>x</p>\n"});
    for (const int last : {0, -1}) {
        job_.lastchapter = last;
        try {
            BuildBook(job_, log_);
            ADD_FAILURE() << "a book without chapters was saved";
        } catch (const EEmptyBook& e) {
            EXPECT_STREQ(e.what(),
                         "No chapter could be put into the book, so it was not saved: the work "
                         "folder holds no chapter file.");
        }
        EXPECT_FALSE(FileExists(Work("1.pdf")));
        EXPECT_EQ(job_.bookfile, "");
        EXPECT_TRUE(test::ListDir(job_.datadir).empty());
    }
    job_.lastchapter = 1;
    job_.format = BookFormat::Epub;
    fs::remove(fs::u8path(Work("1.html")));
    EXPECT_THROW(BuildBook(job_, log_), EEmptyBook);
    EXPECT_TRUE(test::ListDir(job_.datadir).empty());
}

// Each edition records its chapters, and a build that lacks one of them leaves the
// earlier edition exactly as it was; one that holds them all (and more) replaces it.
TEST_F(BookBuild, AnEarlierBookIsReplacedOnlyByOneThatHoldsAllItsChapters) {
    WriteCover();
    for (int n = 1; n <= 3; ++n) {
        WriteChapter(n, "Chapter " + std::to_string(n),
                     {"<p>text " + std::to_string(n) + "</p>\n"});
    }
    job_.lastchapter = 3;
    job_.format = BookFormat::PdfAndEpub;
    BuildBook(job_, log_);
    const std::string pdf = job_.bookfile, epub = job_.epubfile;
    ASSERT_EQ(ReadChaptersOfBook(pdf), (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(ChaptersOfEpub(epub), (std::vector<int>{1, 2, 3}));
    const std::string pdfBytes = test::ReadFile(pdf), epubBytes = test::ReadFile(epub);

    // As when chapter 2 could not be downloaded: a new job's work folder lacks it.
    fs::remove(fs::u8path(Work("2.html")));
    fs::remove(fs::u8path(Work("2.pdf")));
    job_.notDownloaded = {2};
    BuildBook(job_, log_);
    ASSERT_EQ(job_.kept.size(), 2u);
    for (const KeptBook& kept : job_.kept) {
        EXPECT_EQ(kept.missing, std::vector<int>{2});
        EXPECT_FALSE(kept.unrecorded);
    }
    EXPECT_EQ(job_.kept[0].path, epub);
    EXPECT_EQ(KeptBookMessage(job_.kept[1]),
              "The book was kept: \"" + pdf +
                  "\" holds chapter 2, which this build lacks; the new book was not saved.");
    EXPECT_EQ(job_.bookfile, "");
    EXPECT_EQ(job_.epubfile, "");
    EXPECT_TRUE(test::ReadFile(pdf) == pdfBytes) << "the earlier PDF changed";
    EXPECT_TRUE(test::ReadFile(epub) == epubBytes) << "the earlier EPUB changed";
    EXPECT_EQ(test::ListDir(job_.datadir).size(), 2u);
    for (const std::string& name : test::ListDir(job_.tmpdir)) {
        EXPECT_NE(name.rfind("._", 0), 0u) << name;
    }

    WriteChapter(2, "Chapter 2", {"<p>text 2</p>\n"});
    WriteChapter(4, "Chapter 4", {"<p>text 4</p>\n"});
    job_.lastchapter = 4;
    job_.notDownloaded.clear();
    BuildBook(job_, log_);
    EXPECT_TRUE(job_.kept.empty());
    EXPECT_EQ(job_.bookfile, pdf);
    EXPECT_EQ(ReadChaptersOfBook(pdf), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(ChaptersOfEpub(epub), (std::vector<int>{1, 2, 3, 4}));
}

TEST(ChapterRecord, KeepsRangesShortAndTakesNothingThatIsNotOne) {
    EXPECT_EQ(FormatChapterList({1, 2, 3, 5, 7, 8}), "1-3,5,7-8");
    EXPECT_EQ(ParseChapterList("1-3,5,7-8"), (std::vector<int>{1, 2, 3, 5, 7, 8}));
    EXPECT_EQ(ParseChapterList(""), std::vector<int>{});
    for (const char* bad : {"1,", ",1", "3-1", "2,1", "1-2,2", "x", "1-", "-1", " 1", "1;2",
                            "0-2000000000", "99999999999"}) {
        EXPECT_EQ(ParseChapterList(bad), std::nullopt) << bad;
    }
}

// A book that records no chapters (an earlier version made it, or the record is not one
// of ours) may hold anything: only a build that left nothing out replaces it.
TEST(KeepEarlierBook, AnUnrecordedBookGivesWayOnlyToACompleteBuild) {
    test::TempDir dir("kept");
    const std::string book = dir.file("Tale.pdf");
    const ChaptersOfBook unrecorded = [](const std::string&) { return std::nullopt; };
    EXPECT_EQ(KeepEarlierBook(book, unrecorded, {1}, {2}), std::nullopt) << "no book there";
    test::WriteFile(book, "%PDF");
    EXPECT_EQ(KeepEarlierBook(book, unrecorded, {1, 2, 3}, {}), std::nullopt);
    const std::optional<KeptBook> kept = KeepEarlierBook(book, unrecorded, {1, 3}, {2, 4});
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->unrecorded);
    EXPECT_EQ(kept->missing, (std::vector<int>{2, 4}));
    EXPECT_EQ(KeptBookMessage(*kept),
              "The book was kept: \"" + book +
                  "\" was made by an earlier version, which did not record its chapters, and "
                  "this build lacks chapters 2, 4; the new book was not saved.");
}

TEST_F(BookBuild, AnUnwritableChapterPdfStopsTheBuildAndKeepsThePreviousBookfile) {
    WriteChapter(1, "Unwritable", {"<p>x</p>\n"});
    // A folder in the way of the output: no chapter of this folder can be written.
    fs::create_directory(fs::u8path(Work("1.pdf")));
    WriteWork("1.pdf/keep", "");
    job_.lastchapter = 1;
    job_.bookfile = "earlier book";
    try {
        BuildBook(job_, log_);
        ADD_FAILURE() << "the build went on without its chapter files";
    } catch (const Exception& e) {
        EXPECT_THAT(e.what(), ::testing::StartsWith("Cannot write file \"" + Work("1.pdf")));
    }
    EXPECT_EQ(job_.bookfile, "earlier book");
}

TEST_F(BookBuild, AFailedMergeLeavesBookfileEmptyAndSavesNothing) {
    // Chapter 2's cached page passes its check and still holds no PDF, as a faulty writer
    // could leave it: the merge meets it as it is.
    job_.renderCache = base_.file("cache");
    WriteChapter(1, "Fine", {"<p>x</p>\n"});
    job_.lastchapter = 1;
    BuildBook(job_, log_);
    const std::vector<std::string> before = test::ListDir(job_.renderCache);
    WriteChapter(2, "Sealed", {"<p>y</p>\n"});
    job_.lastchapter = 2;
    BuildBook(job_, log_);
    std::vector<std::string> entries = test::ListDir(job_.renderCache);
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const std::string& name) {
                                     return std::count(before.begin(), before.end(), name) > 0 ||
                                            fs::path(name).extension() != ".page";
                                 }),
                  entries.end());
    ASSERT_EQ(entries.size(), 1u);
    const std::string entry = job_.renderCache + "/" + entries[0];
    const std::string head = test::ReadFile(entry);
    const std::string bytes = "this is no PDF";
    test::WriteFile(entry, head.substr(0, head.find("\nsha256 ")) + "\nsha256 " + Sha256Hex(bytes) +
                               "\n\n" + bytes);
    fs::remove(fs::u8path(job_.datadir + "/Zoë’s Café.pdf"));
    job_.bookfile = "earlier book";
    try {
        BuildBook(job_, log_);
        ADD_FAILURE() << "a chapter that is no PDF was merged";
    } catch (const EPdfException& e) {
        EXPECT_EQ(std::string(e.what()), "Chapter 2 cannot be put into the book: \"" +
                                             Work("2.pdf") +
                                             "\": File is not a PDF document or is corrupted");
    }
    EXPECT_EQ(job_.bookfile, "");
    EXPECT_FALSE(FileExists(job_.datadir + "/Zoë’s Café.pdf"));
    EXPECT_THAT(log_.events.back(), ::testing::StartsWith("=process pdf file 2"));
}

}  // namespace
}  // namespace quill
