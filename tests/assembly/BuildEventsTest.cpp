// What a book build tells its job as it goes: the events its progress follows, and from
// which the build's log lines are made.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <type_traits>

#include "TestChapters.h"
#include "assembly/BookBuilder.h"
#include "common/Paths.h"
#include "pdfium/PdfiumCore.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::StartsWith;

class NoWindow : public IWindowLog {
  public:
    void Log(const std::string&) override {}
    void UpdateLog(const std::string&) override {}
    void ProcessMessages() override {}
};

const char* NameOf(Edition edition) {
    return edition == Edition::Pdf ? "pdf" : "epub";
}

// An event in words: everything it carries.
std::string Describe(const BuildEvent& event) {
    return std::visit(
        [](const auto& e) -> std::string {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, build::EditionStarted>) {
                return std::string("started ") + NameOf(e.edition);
            } else if constexpr (std::is_same_v<E, build::PageRendering>) {
                return "page " + std::to_string(e.number) + " of " + std::to_string(e.last) +
                       (e.fromCache ? " from the cache" : " to the engine");
            } else if constexpr (std::is_same_v<E, build::CachedCopyDropped>) {
                return "dropped " + std::to_string(e.number);
            } else if constexpr (std::is_same_v<E, build::PageLeftOut>) {
                return "left out " + std::to_string(e.number) + ": " + e.why;
            } else if constexpr (std::is_same_v<E, build::Merging>) {
                return "merging";
            } else if constexpr (std::is_same_v<E, build::PageMerged>) {
                return "merged " + std::to_string(e.number) + " at " + std::to_string(e.firstPage);
            } else if constexpr (std::is_same_v<E, build::EpubChapter>) {
                return "epub chapter " + std::to_string(e.number);
            } else if constexpr (std::is_same_v<E, build::EpubChapterFailed>) {
                return "epub failed " + std::to_string(e.number) + ": " + e.why;
            } else if constexpr (std::is_same_v<E, build::PictureLeftOut>) {
                return "picture left out " + std::to_string(e.number) + ": " + e.picture;
            } else if constexpr (std::is_same_v<E, build::Saving>) {
                return std::string("saving ") + NameOf(e.edition);
            } else {
                return std::string("saved ") + NameOf(e.edition) + " " + e.path;
            }
        },
        event);
}

int PageCount(const std::string& pdf) {
    TPdfDocument document;
    document.LoadFromFile(pdf);
    return document.PageCount();
}

// Both editions, with a chapter missing and one whose markup cannot be read whole: every
// page as it is taken up, with where it comes from, and every edition as it is saved.
TEST(BuildEvents, TellTheJobEveryPageWhereItComesFromAndEveryEditionSaved) {
    test::TempDir base("events");
    BookJob job;
    job.tmpdir = base.file("work");
    job.datadir = base.file("data");
    std::filesystem::create_directory(job.tmpdir);
    std::filesystem::create_directory(job.datadir);
    job.booktitle = "Told";
    job.renderer = test::QuillrenderPath();
    job.renderCache = base.file("cache");
    job.format = BookFormat::PdfAndEpub;
    job.lastchapter = 4;
    std::string deep;
    for (int i = 0; i < 400; ++i) {
        deep += "<div>";
    }
    test::WriteFile(JoinPath(job.tmpdir, "1.html"), test::Chapter("One", "first words"));
    test::WriteFile(JoinPath(job.tmpdir, "3.html"), "<h2>Three</h2>\n" + deep + "lost");
    test::WriteFile(JoinPath(job.tmpdir, "4.html"), test::Chapter("Four", "last words"));
    std::vector<std::string> events;
    job.progress = [&events](const BuildEvent& event) { events.push_back(Describe(event)); };
    NoWindow window;

    BuildBook(job, window);
    const int one = PageCount(JoinPath(job.tmpdir, "1.pdf"));
    ASSERT_EQ(events.size(), 17u) << ::testing::PrintToString(events);
    EXPECT_THAT(events[3], StartsWith("epub failed 3: "));
    EXPECT_THAT(events[10], StartsWith("left out 3: "));
    // Both editions say why from the same reading of the chapter.
    EXPECT_EQ(events[3].substr(events[3].find(": ")), events[10].substr(events[10].find(": ")));
    events[3] = "epub failed 3";
    events[10] = "left out 3";
    EXPECT_THAT(events, ElementsAreArray<std::string>({
                            "started epub",
                            "epub chapter 1",
                            "epub chapter 3",
                            "epub failed 3",
                            "epub chapter 4",
                            "saving epub",
                            "saved epub " + job.epubfile,
                            "started pdf",
                            "page 1 of 4 to the engine",
                            "page 3 of 4 to the engine",
                            "left out 3",
                            "page 4 of 4 to the engine",
                            "merging",
                            "merged 1 at 0",
                            "merged 4 at " + std::to_string(one),
                            "saving pdf",
                            "saved pdf " + job.bookfile,
                        }));

    // Built again, the rendered pages come from the cache.
    events.clear();
    job.format = BookFormat::Pdf;
    BuildBook(job, window);
    ASSERT_GE(events.size(), 5u);
    EXPECT_THAT(std::vector<std::string>(events.begin() + 1, events.begin() + 5),
                ElementsAre("page 1 of 4 from the cache", "page 3 of 4 to the engine",
                            StartsWith("left out 3: "), "page 4 of 4 from the cache"));
}

}  // namespace
}  // namespace quill
