// The whole system from a story address to the finished book, as "quillby --download"
// runs the window's flow: the real launcher, the simulator as the story site, and the
// real HTML and PDF engines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "QuillbyRun.h"
#include "support/PdfProbe.h"
#include "support/Process.h"
#include "support/StorySim.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::Not;

std::string PdfText(const std::string& pdf, int page) {
    const RunResult text = Run({"pdftotext", "-enc", "UTF-8", "-f", std::to_string(page), "-l",
                                std::to_string(page), pdf, "-"},
                               {}, std::chrono::seconds(30));
    EXPECT_TRUE(text.succeeded()) << text.Describe();
    return text.stdOut;
}

int PdfPages(const std::string& pdf) {
    const RunResult info = Run({"pdfinfo", pdf}, {}, std::chrono::seconds(30));
    EXPECT_TRUE(info.succeeded()) << info.Describe();
    for (const std::string& line : Lines(info.stdOut)) {
        if (line.rfind("Pages:", 0) == 0) {
            return std::stoi(line.substr(6));
        }
    }
    return -1;
}

// Text with every run of white space as one blank: where lines break depends on the
// book's typography.
// The text as a reader reads it: lines joined, and a word hyphenated at a line's end (the
// engine draws the break as U+2010) whole again.
std::string Flat(const std::string& text) {
    const std::string joined = std::regex_replace(text, std::regex("\u2010\n"), "");
    return std::regex_replace(joined, std::regex("\\s+"), " ");
}

// The sample story as the simulator serves it: chapter titles and the opening words of
// each chapter's first paragraph.
struct Chapter {
    std::string title;
    std::string opening;
};

std::vector<Chapter> SampleChapters() {
    const auto catalog = nlohmann::json::parse(
        ReadFile(fs::path(StorySimScript()).parent_path().string() + "/catalog.json"));
    std::vector<Chapter> chapters;
    for (const auto& story : catalog.at("stories")) {
        if (story.at("id") != 1001) {
            continue;
        }
        for (const auto& part : story.at("parts")) {
            std::string first = part.at("pages").at(0).at(0).get<std::string>();
            first = first.substr(0, first.find('<'));
            // Short enough to stay on the first line of the rendered paragraph.
            chapters.push_back({part.at("title"), first.substr(0, first.find(' ', 30))});
        }
    }
    return chapters;
}

class SystemTest : public ::testing::Test {
  protected:
    StorySim sim_;
    QuillbyDesk desk_{sim_.base_url()};
};

TEST_F(SystemTest, SampleStoryBecomesABookInTheDocumentsFolder) {
    desk_.env()["DISPLAY"] = ":77";  // a desktop session: the book is opened
    const std::string address = sim_.url("/story/1001-the-keepers-daughter");
    const RunResult run = desk_.Download(address);
    ASSERT_TRUE(run.succeeded()) << run.Describe() << "\n" << run.stdOut;

    const std::string book = desk_.DataDir() + "/The Keeper’s Daughter — “A Winter at Poi.pdf";
    const std::vector<std::string> out = Lines(run.stdOut);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out.back(), book);
    EXPECT_EQ(out[out.size() - 2], "done");
    EXPECT_EQ(out[out.size() - 3], "save pdf file " + book);
    EXPECT_EQ(out.front(), "title:The Keeper’s Daughter — “A Winter at Pointe-Aubé”");
    EXPECT_EQ(desk_.Opened(20s), std::vector<std::string>{book});

    const std::vector<Chapter> chapters = SampleChapters();
    ASSERT_EQ(chapters.size(), 5u);
    ASSERT_EQ(PdfPages(book), 1 + 5);  // the cover, then one page per chapter
    EXPECT_EQ(PdfText(book, 1).find_first_not_of(" \n\f"), std::string::npos);
    for (size_t i = 0; i < chapters.size(); ++i) {
        const std::string page = PdfText(book, static_cast<int>(i) + 2);
        EXPECT_EQ(page.rfind(chapters[i].title, 0), 0u) << page.substr(0, 80);
        EXPECT_THAT(page, HasSubstr(chapters[i].opening));
    }
    EXPECT_THAT(Flat(PdfText(book, 2)), HasSubstr("“You’re the keeper’s girl,” said the ferryman"));
    EXPECT_THAT(Flat(PdfText(book, 2)), HasSubstr("Bring wool socks & patience."));

    // The book names its story, whole title and author, and the story's address (kept down
    // to the story's number, so any form of it gives the same book), and
    // its outline leads to the cover and to every chapter by its heading.
    const std::map<std::string, std::string> info = PdfInfo(book);
    EXPECT_EQ(info.at("Title"), "The Keeper’s Daughter — “A Winter at Pointe-Aubé”");
    EXPECT_EQ(info.at("Author"), "Maren Holloway");
    const nlohmann::json pdf = QpdfJson(book, {"outlines", "qpdf"});
    EXPECT_EQ(QpdfObject(pdf, QpdfObject(pdf, "trailer").at("/Info")).at("/QuillbyStory"),
              "u:" + sim_.url("/story/1001"));
    std::vector<std::string> outline, headings = {"Cover"};
    for (const nlohmann::json& item : pdf.at("outlines")) {
        outline.push_back(item.at("title"));
    }
    for (const Chapter& chapter : chapters) {
        headings.push_back(chapter.title);
    }
    EXPECT_EQ(outline, headings);

    // Only the book lands in the data folder; the job's files stay in the work folder.
    EXPECT_EQ(PdfFiles(desk_.DataDir()), std::vector<std::string>{fs::path(book).filename()});
    EXPECT_EQ(PdfFiles(desk_.WorkDir()).size(), 6u);
    EXPECT_THAT(desk_.DebugLog(), HasSubstr(QuillmainPath() + " "));
}

TEST_F(SystemTest, AnAccentedTitleNamesTheBook) {
    const RunResult run = desk_.Download(sim_.url("/story/1013-zoes-cafe"));
    ASSERT_TRUE(run.succeeded()) << run.Describe() << "\n" << run.stdOut;

    const std::string book = desk_.DataDir() + "/Zoë’s Café — «Nuit».pdf";
    EXPECT_EQ(Lines(run.stdOut).back(), book);
    ASSERT_TRUE(fs::is_regular_file(book));
    EXPECT_EQ(PdfPages(book), 1 + 3);
    EXPECT_THAT(PdfText(book, 3), HasSubstr("Part 1/2"));
    EXPECT_THAT(PdfText(book, 4), HasSubstr("Fish & Chips <3"));
    EXPECT_TRUE(desk_.Opened(1s).empty());  // no desktop session: the book is not opened
}

// A chapter copied from a news page, full of pictures and scripts on a host that cannot be
// resolved, with a frame, a tracking pixel and a picture that never arrives on this machine:
// the engine once hung on such a page inside this program. The downloader asks this site
// for the two pictures the chapter shows from it, once each, and waits for the one that never
// answers no longer than its time-out; the renderer reaches no host at all.
TEST_F(SystemTest, AHostileNewsChapterIsRenderedWithoutReachingAnyHost) {
    desk_.env()["QUILLBY_HTTP_TIMEOUT_S"] = "2";
    const RunResult run = desk_.Download(sim_.url("/story/1100-harbour-news"));
    ASSERT_TRUE(run.succeeded()) << run.Describe() << "\n" << run.stdOut;

    const std::string book = desk_.DataDir() + "/Harbour News.pdf";
    EXPECT_EQ(Lines(run.stdOut).back(), book);
    EXPECT_THAT(run.stdOut, Not(HasSubstr("left out of the book")));
    EXPECT_THAT(run.stdOut, HasSubstr("16 pictures are not in the book: 16 in chapter 1."));
    // The pictures left out stand as their alternative text, which moves the chapter's end
    // to its second page.
    const std::string chapter = PdfText(book, 2) + PdfText(book, 3);
    EXPECT_THAT(chapter, HasSubstr("The harbour council voted on Tuesday evening"));
    EXPECT_THAT(chapter, HasSubstr("Photo 13\nA photo that never arrives"));
    EXPECT_THAT(chapter, HasSubstr("Reporting by the harbour desk."));
    EXPECT_THAT(chapter, Not(HasSubstr("PRIVATE-NETWORK-PAGE")));
    std::vector<std::string> pointedAt;
    for (const std::string& request : sim_.requests()) {
        if (request.rfind("/hostile/", 0) == 0 || request.rfind("/hang", 0) == 0) {
            pointedAt.push_back(request);
        }
    }
    EXPECT_THAT(pointedAt,
                ::testing::ElementsAre("/hostile/pixel.gif?reader=1", "/hang/photo.jpg"));
}

// The pictures chapters show reach the book: in their own proportions, no wider than the
// text, a wide one scaled down to it, a tall one to the page, a small size the story gave
// kept, a WebP drawn, each on one page. Without pictures none is asked for, and the book is text
// only again.
TEST_F(SystemTest, ChapterPicturesReachThePdfAndWithoutThemTheBookIsTextOnly) {
    const RunResult run = desk_.Download(sim_.url("/story/1701-illustrated"));
    ASSERT_TRUE(run.succeeded()) << run.Describe() << "\n" << run.stdOut;
    EXPECT_THAT(run.stdOut, Not(HasSubstr("not in the book")));
    const std::string book = desk_.DataDir() + "/The Illustrated Harbour.pdf";
    // A4's text is 170 mm wide; an engine pixel is 0.5763 pt.
    constexpr double kTextWidthPt = 170 / 25.4 * 72;
    // Each picture by page and pixels, with the width it is drawn at (pdfimages rounds the
    // resolution to whole dots per inch).
    const std::vector<std::pair<std::string, double>> expected = {
        {"1: 600x900", 346},       {"2: 400x300", 230}, {"2: 640x480", 320 * 0.5763},
        {"2: 400x300", 230},       {"2: 160x120", 92},  {"3: 480x360", 276},
        {"3: 64x64", 32 * 0.5763}, {"3: 400x300", 230}, {"4: 1600x1200", kTextWidthPt},
        {"5: 300x2400", 0}};
    const std::vector<PdfImage> images = PdfImages(book);
    ASSERT_EQ(images.size(), expected.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const PdfImage& image = images[i];
        const std::string name = std::to_string(image.page) + ": " + std::to_string(image.width) +
                                 "x" + std::to_string(image.height);
        EXPECT_EQ(name, expected[i].first);
        EXPECT_DOUBLE_EQ(image.xPpi, image.yPpi) << name;
        if (expected[i].second > 0) {
            EXPECT_NEAR(image.width / image.xPpi * 72, expected[i].second, 3) << name;
        }
    }
    // A picture taller than a page is drawn smaller, within one page's text (253 mm).
    EXPECT_LT(images.back().height / images.back().yPpi * 72, 253 / 25.4 * 72);

    sim_.reset_log();
    const RunResult text = test::Run(
        {QuillbyPath(), "--download", "--no-pictures", sim_.url("/story/1701")}, desk_.env(), 90s);
    ASSERT_TRUE(text.succeeded()) << text.Describe() << "\n" << text.stdOut;
    EXPECT_EQ(Lines(text.stdOut).back(), book);
    for (const std::string& request : sim_.requests()) {
        EXPECT_EQ(request.find("/pictures/"), std::string::npos) << request;
    }
    EXPECT_EQ(PdfImages(book).size(), 1u) << "the cover alone";
}

// Pictures left out make no chapter missing: the book is complete, and the end counts them.
TEST_F(SystemTest, ABookWhosePicturesCannotAllBeHadIsComplete) {
    desk_.env()["QUILLBY_HTTP_TIMEOUT_S"] = "1";
    const RunResult run = desk_.Download(sim_.url("/story/1702"));
    EXPECT_EQ(run.exitCode, 0) << run.Describe() << "\n" << run.stdOut;
    const std::vector<std::string> out = Lines(run.stdOut);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[out.size() - 3],
              "8 pictures are not in the book: 8 in chapter 1. The lines above say why.");
    EXPECT_EQ(out.back(), desk_.DataDir() + "/Odd Pictures.pdf");
}

// --format chooses the editions; the PDF is the one printed last (and opened) with both.
TEST_F(SystemTest, TheFormatOptionChoosesTheEditions) {
    const std::string story = sim_.url("/story/1013-zoes-cafe");
    const std::string name = desk_.DataDir() + "/Zoë’s Café — «Nuit»";
    const RunResult epub =
        test::Run({QuillbyPath(), "--download", story, "--format", "epub"}, desk_.env(), 90s);
    ASSERT_TRUE(epub.succeeded()) << epub.Describe();
    EXPECT_EQ(Lines(epub.stdOut).back(), name + ".epub");
    EXPECT_TRUE(PdfFiles(desk_.DataDir()).empty());

    const RunResult both =
        test::Run({QuillbyPath(), "--download", story, "--format", "both"}, desk_.env(), 90s);
    ASSERT_TRUE(both.succeeded()) << both.Describe();
    EXPECT_EQ(Lines(both.stdOut).back(), name + ".pdf");
    EXPECT_TRUE(fs::is_regular_file(name + ".epub"));

    const RunResult wrong =
        test::Run({QuillbyPath(), "--download", story, "--format", "mobi"}, desk_.env(), 30s);
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_THAT(wrong.stdErr, HasSubstr("--format needs pdf, epub or both"));
}

TEST_F(SystemTest, AMissingLauncherEndsWithoutARunLog) {
    TempDir lonely("program without its launcher");
    const std::string program = lonely.file("quillby");
    fs::copy_file(QuillbyPath(), program);
    fs::permissions(program, fs::perms::owner_all);

    const RunResult run = desk_.Download(sim_.url("/story/1001-the-keepers-daughter"), program);
    EXPECT_EQ(run.exitCode, 1) << run.Describe();
    EXPECT_EQ(Lines(run.stdOut).back(), "Failed find log file");
    EXPECT_TRUE(PdfFiles(desk_.DataDir()).empty());
    EXPECT_TRUE(sim_.requests().empty());
}

// The book is made from the chapters that arrived, and the user is told which are missing.
TEST_F(SystemTest, AFailingLastChapterIsNamedAndTheBookHasTheOthers) {
    const RunResult run = desk_.Download(sim_.url("/story/1015-failing-last"));
    EXPECT_EQ(run.exitCode, 3) << run.Describe();
    const std::vector<std::string> out = Lines(run.stdOut);
    ASSERT_GE(out.size(), 3u);
    const std::string book = desk_.DataDir() + "/Failing Last Chapter.pdf";
    EXPECT_EQ(out.back(), book);
    EXPECT_EQ(out[out.size() - 2], "done");
    EXPECT_EQ(out[out.size() - 3],
              "1 chapter could not be downloaded: 3. Click Download to fetch just that one.");
    EXPECT_THAT(run.stdOut, HasSubstr("error ontimer"));
    EXPECT_EQ(PdfPages(book), 1 + 2);
}

TEST_F(SystemTest, AFailingBookBuildIsReportedInTheLog) {
    const std::string address = sim_.url("/story/1013-zoes-cafe");
    ASSERT_TRUE(desk_.Download(address).succeeded());
    const std::string book = desk_.DataDir() + "/Zoë’s Café — «Nuit».pdf";
    // The same story again, with every file the program writes limited to one byte less
    // than the book: the new book cannot be written whole.
    TempDir tools("limited");
    const std::string program = tools.file("quillby");
    WriteFile(program, "#!/bin/sh\nexec prlimit --fsize=" +
                           std::to_string(fs::file_size(fs::u8path(book)) - 1) + " -- '" +
                           QuillbyPath() + "' \"$@\"\n");
    ::chmod(program.c_str(), 0755);

    desk_.env()["DISPLAY"] = ":77";  // a desktop session, where a made book is opened
    const RunResult run = desk_.Download(address, program);
    EXPECT_EQ(run.termSignal, 0) << run.Describe();
    EXPECT_EQ(run.exitCode, 1) << run.Describe();
    const std::vector<std::string> out = Lines(run.stdOut);
    ASSERT_GE(out.size(), 2u);
    EXPECT_THAT(run.stdOut, HasSubstr("Cannot write file \"" + book + "\". File too large"));
    EXPECT_NE(out.back(), "done");
    EXPECT_TRUE(desk_.Opened(1s).empty());
}

}  // namespace
}  // namespace quill::test
