// Rendering through the render worker with the real engine: hostile pages stay offline, a
// crashed worker costs only its page, the engine's own failures stop the build, and the
// render cache spares unchanged pages and never hands out a damaged or foreign one.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "InChildProcess.h"
#include "TestChapters.h"
#include "assembly/BookBuilder.h"
#include "common/Paths.h"
#include "common/PictureList.h"
#include "platform/DynamicLibrary.h"
#include "render/ConvertChapters.h"
#include "render/WorkerRoom.h"
#include "support/Process.h"
#include "support/StorySim.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"
#include "wkhtmltox/WkHtmlToXBindings.h"
#include "wkhtmltox/WkHtmlToXCore.h"

namespace quill {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::UnorderedElementsAre;
using namespace std::chrono_literals;
using test::Chapter;
using test::HugeChapter;
namespace fs = std::filesystem;

// The window log, written by the build's thread and read by the test's.
class LockedLog : public IWindowLog {
  public:
    void Log(const std::string& text) override { Add("+" + text); }
    void UpdateLog(const std::string& text) override { Add("=" + text); }
    void ProcessMessages() override {}
    std::vector<std::string> Events() {
        std::lock_guard<std::mutex> guard(lock_);
        return events_;
    }

  private:
    void Add(const std::string& event) {
        std::lock_guard<std::mutex> guard(lock_);
        events_.push_back(event);
    }
    std::mutex lock_;
    std::vector<std::string> events_;
};

std::string PdfText(const std::string& pdf) {
    const test::RunResult r = test::Run({"pdftotext", "-enc", "UTF-8", pdf, "-"}, {}, 60s);
    EXPECT_TRUE(r.succeeded()) << r.Describe();
    return r.stdOut;
}

// Every way a page can point at something: on a host that cannot be resolved (many of
// them, as on a real news page), and on this machine, where the simulator logs each try.
std::string HostileMarkup(const std::string& base) {
    std::string markup;
    for (int i = 0; i < 14; ++i) {
        markup += "<img src=\"https://static.newsroom-cdn.example/p" + std::to_string(i) +
                  ".jpg\" srcset=\"https://static.newsroom-cdn.example/p" + std::to_string(i) +
                  "@2x.jpg 2x\">\n";
    }
    for (int i = 0; i < 6; ++i) {
        markup += "<script src=\"https://static.newsroom-cdn.example/w" + std::to_string(i) +
                  ".js\" defer></script>\n";
    }
    return markup + "<iframe src=\"" + base + "/hostile/private\"></iframe>\n<img src=\"" + base +
           "/hostile/pixel.gif?reader=1\" width=\"1\" height=\"1\">\n<img src=\"" + base +
           "/hang/photo.jpg\">\n<link rel=\"stylesheet\" href=\"" + base +
           "/hostile/site.css\">\n<p style=\"background:url(" + base +
           "/hostile/bg.png)\">styled</p>\n<object data=\"" + base +
           "/hostile/o.swf\"></object>\n<video poster=\"" + base +
           "/hostile/poster.jpg\"></video>\n";
}

class Render : public ::testing::Test {
  protected:
    Render() {
        job_.tmpdir = base_.path() + "/work";
        job_.datadir = base_.path() + "/data";
        fs::create_directory(job_.tmpdir);
        fs::create_directory(job_.datadir);
        job_.booktitle = "Rendered";
        job_.renderer = test::QuillrenderPath();
    }

    void WriteWork(const std::string& name, const std::string& bytes) {
        test::WriteFile(JoinPath(job_.tmpdir, name), bytes);
    }
    std::string Work(const std::string& name) const { return JoinPath(job_.tmpdir, name); }

    void WriteCover(const std::string& extra = "") {
        WriteWork("0.html", "<html><body><div style=\"height: 300px\"></div>" + extra +
                                "<img src=\"cover.jpg\"></body></html>\n");
        WriteWork("cover.jpg",
                  test::ReadFile(fs::path(test::StorySimScript()).parent_path() / "cover.jpg"));
    }

    // The pages the worker rendered so far, as its debug lines name them.
    std::vector<std::string> RenderedPages() {
        std::vector<std::string> pages;
        std::ifstream in(debugLog_);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("page=", 0) == 0) {
                pages.push_back(fs::path(line).filename().string());
            }
        }
        return pages;
    }

    // The render cache's entries.
    std::set<fs::path> Entries() const {
        std::set<fs::path> entries;
        if (!fs::exists(job_.renderCache)) {
            return entries;
        }
        for (const auto& entry : fs::directory_iterator(job_.renderCache)) {
            if (entry.path().extension() == ".page") {
                entries.insert(entry.path());
            }
        }
        return entries;
    }

    // Builds pages 0 .. last into the render cache one more at a time, and tells which
    // entry each page got.
    std::map<int, fs::path> CacheOneByOne(int last) {
        std::map<int, fs::path> entries;
        for (int n = 0; n <= last; ++n) {
            const std::set<fs::path> before = Entries();
            job_.lastchapter = n;
            // The cover page alone is no book, but it is rendered and kept all the same.
            if (n == 0) {
                BuildReport report(log_, nullptr);
                CleanedChapters chapters(job_.tmpdir, false);
                ConvertChapters(job_, chapters, report);
            } else {
                BuildBook(job_, log_);
            }
            for (const fs::path& entry : Entries()) {
                if (before.count(entry) == 0) {
                    entries[n] = entry;
                }
            }
        }
        return entries;
    }

    void SetUp() override { setenv("QUILLBY_DEBUG_LOG", debugLog_.c_str(), 1); }
    void TearDown() override { unsetenv("QUILLBY_DEBUG_LOG"); }

    test::TempDir base_{"render"};
    std::string debugLog_ = base_.file("debug.log");
    BookJob job_;
    LockedLog log_;
};

TEST_F(Render, NothingIsFetchedForHostileChaptersOrTheCoverPage) {
    test::StorySim sim;
    const std::string base = sim.base_url();
    // The cover page is rendered as it stands: only the worker's own network keeps it in.
    WriteCover("<img src=\"" + base + "/hostile/cover.gif\"><iframe src=\"" + base +
               "/hostile/private\"></iframe>");
    const std::string hostile =
        "<h2>Harbour News</h2>\n<div class=\"page\">\n<p>VISIBLE-TEXT</p>\n" + HostileMarkup(base) +
        "</div>\n";
    job_.lastchapter = 30;
    for (int n = 1; n <= job_.lastchapter; ++n) {
        WriteWork(std::to_string(n) + ".html", hostile);
    }
    BuildBook(job_, log_);

    EXPECT_THAT(sim.requests(), IsEmpty());
    EXPECT_THAT(job_.unrendered, IsEmpty());
    const std::string text = PdfText(job_.bookfile);
    EXPECT_THAT(text, HasSubstr("VISIBLE-TEXT"));
    EXPECT_THAT(text, Not(HasSubstr("PRIVATE-NETWORK-PAGE")));
    // The downloader's files stay as they were; the engine got a cleaned copy.
    EXPECT_EQ(test::ReadFile(Work("1.html")), hostile);
    // No picture and no broken-picture box on the chapter pages: only the cover has one.
    const test::RunResult images = test::Run({"pdfimages", "-list", job_.bookfile}, {}, 60s);
    ASSERT_TRUE(images.succeeded()) << images.Describe();
    EXPECT_THAT(images.stdOut, ::testing::ContainsRegex("\n +1 +[0-9]+ image +600 +900 "));
    EXPECT_THAT(images.stdOut, Not(::testing::ContainsRegex("\n +([2-9]|[1-9][0-9]+) +[0-9]+ ")));
}

// The worker's process (the one whose parent is this test program).
pid_t WorkerPid() {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state, parent;
        if (stat >> pid >> name >> state >> parent && name == "(quillrender)" &&
            std::stoi(parent) == ::getpid()) {
            return std::stoi(pid);
        }
    }
    return -1;
}

TEST_F(Render, AKilledWorkerCostsOnlyItsChapter) {
    WriteWork("1.html", Chapter("One", "FIRST-CHAPTER"));
    WriteWork("2.html", HugeChapter("Two"));
    WriteWork("3.html", Chapter("Three", "THIRD-CHAPTER"));
    job_.lastchapter = 3;
    job_.renderWorkers = 1;  // the one worker there is renders chapter 2
    std::thread build([&] { BuildBook(job_, log_); });
    // Chapter 2 keeps the worker busy for seconds; it is killed in the middle.
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (!::testing::Matches(Contains("=process html pdf 2"))(log_.Events()) &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(10ms);
    }
    std::this_thread::sleep_for(300ms);
    const pid_t worker = WorkerPid();
    ASSERT_GT(worker, 0);
    ::kill(worker, SIGKILL);
    build.join();

    EXPECT_THAT(job_.unrendered, ElementsAre(2));
    EXPECT_THAT(log_.Events(), Contains("+chapter 2 left out of the book: the renderer stopped "
                                        "while rendering it: it was ended by signal 9 (Killed)"));
    // The chapter after it still renders, in a fresh worker, and the line about chapter 2
    // stays in the log.
    EXPECT_THAT(log_.Events(), Contains("+process html pdf 3"));
    const std::string text = PdfText(job_.bookfile);
    EXPECT_THAT(text, HasSubstr("FIRST-CHAPTER"));
    EXPECT_THAT(text, HasSubstr("THIRD-CHAPTER"));
    EXPECT_FALSE(FileExists(Work("2.pdf")));
}

// Two workers: while one is stuck on a chapter until its bound runs out, the other renders
// the chapters after it, and the book still holds them in their own order.
TEST_F(Render, WorkersSideBySideKeepThePageOrderAndATimeOutCostsOnlyItsPage) {
    WriteWork("1.html", Chapter("One", "TEXT-OF-1"));
    WriteWork("2.html", HugeChapter("Two"));
    for (int n = 3; n <= 6; ++n) {
        WriteWork(std::to_string(n) + ".html",
                  Chapter("Chapter " + std::to_string(n), "TEXT-OF-" + std::to_string(n), 40));
    }
    job_.lastchapter = 6;
    job_.renderWorkers = 2;
    job_.chapterTimeout = 3s;
    std::vector<std::string> events;
    job_.progress = [&events](const BuildEvent& event) {
        if (const auto* page = std::get_if<build::PageRendering>(&event)) {
            events.push_back("page " + std::to_string(page->number));
        } else if (const auto* left = std::get_if<build::PageLeftOut>(&event)) {
            events.push_back("left out " + std::to_string(left->number));
        }
    };
    BuildBook(job_, log_);

    EXPECT_THAT(job_.unrendered, ElementsAre(2));
    EXPECT_THAT(log_.Events(),
                Contains("+chapter 2 left out of the book: rendering it took longer than 3 s"));
    // Every page after chapter 2 was taken up while chapter 2 was still rendering.
    EXPECT_THAT(events, ElementsAre("page 1", "page 2", "page 3", "page 4", "page 5", "page 6",
                                    "left out 2"));
    const std::string text = PdfText(job_.bookfile);
    size_t last = 0;
    for (const int n : {1, 3, 4, 5, 6}) {
        const size_t at = text.find("TEXT-OF-" + std::to_string(n));
        ASSERT_NE(at, std::string::npos) << n;
        EXPECT_GT(at, last) << n << " out of its place";
        last = at;
    }
    EXPECT_FALSE(FileExists(Work("2.pdf")));
}

TEST_F(Render, AnEngineThatCannotLoadStopsTheBuild) {
    WriteWork("1.html", Chapter("One", "text"));
    job_.lastchapter = 1;
    // The worker loads the library the builder names.
    wk::SetWkHtmlToXLibraryName("libwkhtmltox-absent.so");
    EXPECT_THROW(
        {
            try {
                BuildBook(job_, log_);
            } catch (const EWkHtmlToXError& e) {
                EXPECT_STREQ(e.what(), "Load library error (WkHtmlToX)");
                throw;
            }
        },
        EWkHtmlToXError);
    wk::SetWkHtmlToXLibraryName(platform::LibraryFileName("wkhtmltox"));
    EXPECT_TRUE(job_.bookfile.empty());
}

TEST_F(Render, TheCacheRendersOnlyWhatChanged) {
    job_.renderCache = base_.file("cache");
    // A bare page of the former layout is never read again and goes; other files stay.
    const std::string former = JoinPath(job_.renderCache, std::string(64, 'a') + ".pdf");
    const std::string other = JoinPath(job_.renderCache, "notes.pdf");
    fs::create_directory(job_.renderCache);
    test::WriteFile(former, "%PDF-1.4\n%%EOF\n");
    test::WriteFile(other, "%PDF-1.4\n%%EOF\n");
    WriteCover();
    for (int n = 1; n <= 3; ++n) {
        WriteWork(std::to_string(n) + ".html", Chapter("Chapter " + std::to_string(n), "OLD"));
    }
    job_.lastchapter = 3;
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), 4u);
    EXPECT_FALSE(PathExists(former));
    EXPECT_TRUE(PathExists(other));

    // Unchanged: every page comes from the cache, and no worker is even started.
    const std::string renderer = job_.renderer;
    job_.renderer = base_.file("no such renderer");
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), 4u);
    EXPECT_EQ(PdfText(job_.bookfile).find("NEW"), std::string::npos);

    // A changed chapter is rendered again, and only it.
    job_.renderer = renderer;
    WriteWork("2.html", Chapter("Chapter 2", "NEW"));
    BuildBook(job_, log_);
    const std::vector<std::string> pages = RenderedPages();
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_EQ(pages.back(), ".render-2.html");
    // Workers side by side render the first build's pages in any order.
    EXPECT_THAT(
        std::vector<std::string>(pages.begin(), pages.begin() + 4),
        UnorderedElementsAre("0.html", ".render-1.html", ".render-2.html", ".render-3.html"));
    EXPECT_THAT(PdfText(job_.bookfile), HasSubstr("NEW"));

    // Chapters fetched again are rendered again too, and their new pages are kept.
    job_.renderAgain = true;
    BuildBook(job_, log_);
    job_.renderAgain = false;
    EXPECT_EQ(RenderedPages().size(), 9u);
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), 9u);

    // Beyond its size limit the cache lets go of what was used longest ago.
    setenv("QUILLBY_RENDER_CACHE_MB", "0", 1);
    BuildBook(job_, log_);
    unsetenv("QUILLBY_RENDER_CACHE_MB");
    EXPECT_THAT(Entries(), IsEmpty());
}

size_t Occurrences(const std::string& text, const std::string& word) {
    size_t count = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return count;
}

// Rendered pages reach the work folder as copies: writing into one there, as cp or an
// editor does, leaves the cache's entry as it was.
// A chapter's page is kept with the bytes of the pictures it shows: a new picture under the
// same source renders that chapter again, and only it.
TEST_F(Render, AChangedPictureRendersItsChapterAgain) {
    job_.renderCache = base_.file("cache");
    WriteCover();
    const auto show = [this](int n, const std::string& picture) {
        const std::string bytes = test::ReadFile(
            (fs::path(test::StorySimScript()).parent_path() / "pictures" / picture).string());
        const std::string file = PictureFileName(bytes, "png");
        WriteWork(file, bytes);
        WriteWork(PictureListName(n), PictureListJson({{"map.png", file}}));
    };
    for (int n = 1; n <= 2; ++n) {
        WriteWork(std::to_string(n) + ".html",
                  "<h2>Chapter " + std::to_string(n) + "</h2>\n<p><img src=\"map.png\"></p>\n");
        show(n, "map.png");
    }
    job_.lastchapter = 2;
    BuildBook(job_, log_);
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), 3u);

    show(2, "art.gif");
    BuildBook(job_, log_);
    const std::vector<std::string> pages = RenderedPages();
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages.back(), ".render-2.html");
    // Workers side by side render the first build's pages in any order.
    EXPECT_THAT(std::vector<std::string>(pages.begin(), pages.begin() + 3),
                UnorderedElementsAre("0.html", ".render-1.html", ".render-2.html"));
}

TEST_F(Render, AWriteIntoAPlacedPageDoesNotReachTheCache) {
    job_.renderCache = base_.file("cache");
    WriteWork("1.html", Chapter("One", "FIRST-TEXT"));
    WriteWork("2.html", Chapter("Two", "SECOND-TEXT"));
    job_.lastchapter = 2;
    BuildBook(job_, log_);
    {
        const std::string other = test::ReadFile(Work("1.pdf"));
        std::ofstream inPlace(Work("2.pdf"), std::ios::binary | std::ios::trunc);
        inPlace << other;
    }
    job_.renderer = base_.file("no such renderer");  // every page from the cache
    BuildBook(job_, log_);
    const std::string text = PdfText(job_.bookfile);
    EXPECT_EQ(Occurrences(text, "FIRST-TEXT"), 1u);
    EXPECT_EQ(Occurrences(text, "SECOND-TEXT"), 1u);
}

// An entry damaged in its middle or cut short is named, dropped and rendered again; the
// next build takes the new entry.
TEST_F(Render, ADamagedEntryIsRenderedAgain) {
    job_.renderCache = base_.file("cache");
    WriteCover();
    WriteWork("1.html", Chapter("One", "FIRST-TEXT"));
    WriteWork("2.html", Chapter("Two", "SECOND-TEXT"));
    std::map<int, fs::path> entries = CacheOneByOne(2);
    ASSERT_EQ(entries.size(), 3u);
    for (const int n : {0, 1}) {
        std::fstream entry(entries[n], std::ios::in | std::ios::out | std::ios::binary);
        entry.seekp(static_cast<std::streamoff>(fs::file_size(entries[n]) / 2));
        entry << std::string(64, 'x');
    }
    fs::resize_file(entries[2], fs::file_size(entries[2]) - 100);
    const size_t rendered = RenderedPages().size();

    BuildBook(job_, log_);
    const std::string damaged =
        " is rendered again, as its cached copy cannot be used. It does not match the digest "
        "recorded with it.";
    EXPECT_THAT(log_.Events(), Contains("+the cover page" + damaged));
    EXPECT_THAT(log_.Events(), Contains("+chapter 1" + damaged));
    EXPECT_THAT(log_.Events(), Contains("+chapter 2" + damaged));
    EXPECT_EQ(RenderedPages().size(), rendered + 3);
    const std::string text = PdfText(job_.bookfile);
    EXPECT_THAT(text, HasSubstr("FIRST-TEXT"));
    EXPECT_THAT(text, HasSubstr("SECOND-TEXT"));

    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), rendered + 3);
}

// Lets a reader blocked in opening the pipe go on.
void ReleasePipe(const fs::path& pipe) {
    const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
    }
}

// Only regular files are read: a pipe in the cache or the work folder is not waited on, a
// link is not followed, and an entry moved into another page's place is not taken.
TEST_F(Render, APipeALinkOrAnotherPagesEntryIsNeverTaken) {
    job_.renderCache = base_.file("cache");
    WriteCover();
    for (int n = 1; n <= 4; ++n) {
        WriteWork(std::to_string(n) + ".html",
                  Chapter("Chapter " + std::to_string(n), "TEXT-OF-" + std::to_string(n)));
    }
    std::map<int, fs::path> entries = CacheOneByOne(4);
    ASSERT_EQ(entries.size(), 5u);
    fs::remove(entries[1]);
    ASSERT_EQ(::mkfifo(entries[1].c_str(), 0600), 0);
    fs::remove(entries[2]);
    fs::create_symlink(entries[3], entries[2]);
    fs::copy_file(entries[3], entries[4], fs::copy_options::overwrite_existing);
    fs::remove(Work("cover.jpg"));
    ASSERT_EQ(::mkfifo(Work("cover.jpg").c_str(), 0600), 0);
    const size_t rendered = RenderedPages().size();

    auto build = std::async(std::launch::async, [&] { BuildBook(job_, log_); });
    if (build.wait_for(60s) != std::future_status::ready) {
        ADD_FAILURE() << "the build waits on a pipe";
        ReleasePipe(entries[1]);
        ReleasePipe(Work("cover.jpg"));
    }
    build.get();

    const std::string refused = " is rendered again, as its cached copy cannot be used. ";
    EXPECT_THAT(log_.Events(), Contains("+chapter 1" + refused +
                                        "It is not a regular file (a pipe, socket or device)."));
    EXPECT_THAT(log_.Events(),
                Contains("+chapter 2" + refused + "It is a symbolic link, which is not followed."));
    EXPECT_THAT(log_.Events(), Contains("+chapter 4" + refused + "It was kept for another page."));
    EXPECT_THAT(
        log_.Events(),
        Contains("+the cover page left out of the book: Cannot read file \"" + Work("cover.jpg") +
                 "\". It is not a regular file (a pipe, socket or device)."));
    const std::vector<std::string> pages = RenderedPages();
    EXPECT_THAT(std::vector<std::string>(pages.begin() + static_cast<long>(rendered), pages.end()),
                UnorderedElementsAre(".render-1.html", ".render-2.html", ".render-4.html"));
    const std::string text = PdfText(job_.bookfile);
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(Occurrences(text, "TEXT-OF-" + std::to_string(n)), 1u) << n;
    }
    for (const int n : {1, 2, 4}) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(entries[n]))) << n;
    }
}

// A font installed, or a changed font configuration, can change any page: the pages are
// rendered again.
TEST_F(Render, AChangedFontSetRendersThePagesAgain) {
    const std::string fonts = base_.file("fonts");
    const std::string config = base_.file("fonts.conf");
    fs::create_directory(fonts);
    const auto writeConfig = [&](const std::string& extra) {
        test::WriteFile(config,
                        "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM "
                        "\"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n<cachedir>" +
                            base_.file("font-cache") + "</cachedir>\n<include>" +
                            "/etc/fonts/fonts.conf</include>\n<dir>" + fonts + "</dir>\n" + extra +
                            "</fontconfig>\n");
    };
    writeConfig("");
    setenv("FONTCONFIG_FILE", config.c_str(), 1);
    job_.renderCache = base_.file("cache");
    WriteWork("1.html", Chapter("One", "text"));
    job_.lastchapter = 1;
    BuildBook(job_, log_);
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), 1u);

    fs::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", fonts + "/Extra.ttf");
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), 2u);

    writeConfig(
        "<alias><family>serif</family><prefer><family>DejaVu Sans</family></prefer>"
        "</alias>\n");
    BuildBook(job_, log_);
    unsetenv("FONTCONFIG_FILE");
    EXPECT_EQ(RenderedPages().size(), 3u);
}

// Pages rendered by one engine are not taken for another's: when an engine file changes
// (an upgrade), every page is rendered again.
TEST_F(Render, AChangedEngineFileRendersEveryPageAgain) {
    if (!test::InChildProcess()) {
        return;
    }
    const std::string engine = base_.file("libwkhtmltox.so");
    fs::copy_file(fs::canonical(QUILLBY_ENGINE_DIR "/libwkhtmltox.so"), engine);
    wk::SetWkHtmlToXLibraryName(engine);
    job_.renderCache = base_.file("cache");
    WriteWork("1.html", Chapter("One", "text"));
    job_.lastchapter = 1;
    BuildBook(job_, log_);
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), 1u);
    fs::last_write_time(engine, fs::last_write_time(engine) + 1s);
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), 2u);
}

// Each book choice that shapes a page, and the language its words are hyphenated in, renders
// the pages again; the number of chapters per volume does not.
TEST_F(Render, AChangedBookChoiceRendersThePagesAgain) {
    job_.renderCache = base_.file("cache");
    WriteWork("1.html", Chapter("One", "extraordinary hyphenation everywhere", 3));
    job_.lastchapter = 1;
    job_.booklanguage = "en";
    BuildBook(job_, log_);
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), 1u);
    const std::vector<std::function<void(BookChoices&)>> changes = {
        [](BookChoices& c) { c.page = PagePreset::Phone; },
        [](BookChoices& c) { c.text = TextSize::Large; },
        [](BookChoices& c) { c.dark = true; },
        [](BookChoices& c) { c.ragged = true; },
    };
    size_t rendered = 1;
    for (const auto& change : changes) {
        change(job_.choices);
        BuildBook(job_, log_);
        EXPECT_EQ(RenderedPages().size(), ++rendered) << BookChoicesText(job_.choices);
    }
    job_.choices.ragged = false;
    job_.booklanguage = "de";
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), ++rendered) << "another language's hyphens";
    job_.choices.volumeChapters = 5;
    BuildBook(job_, log_);
    EXPECT_EQ(RenderedPages().size(), rendered) << "a volume's pages are the story's";
}

// Another worker starts only while memory holds its expected peak, what the running ones
// may grow back to, and 256 MB for the rest of the system; the figures come from /proc.
TEST(WorkerRoom, AnotherWorkerStartsOnlyWhereMemoryHoldsEveryWorkersPeak) {
    constexpr uint64_t kMb = uint64_t{1} << 20;
    const uint64_t peak = 400 * kMb, reserve = 256 * kMb;
    EXPECT_TRUE(RoomForAnotherWorker(peak + reserve, {}, peak));
    EXPECT_FALSE(RoomForAnotherWorker(peak + reserve - 1, {}, peak));
    // A worker that has shrunk since its peak may grow back to it.
    const platform::ProcessMemory shrunk{300 * kMb, 100 * kMb};
    EXPECT_FALSE(RoomForAnotherWorker(peak + reserve + 199 * kMb, {shrunk}, peak));
    EXPECT_TRUE(RoomForAnotherWorker(peak + reserve + 200 * kMb, {shrunk}, peak));
    // A peak read before the resident size grew past it counts as no growth, not as a
    // wrapped-around need.
    const platform::ProcessMemory grown{100 * kMb, 120 * kMb};
    EXPECT_TRUE(RoomForAnotherWorker(peak + reserve, {grown}, peak));

    const std::optional<platform::ProcessMemory> self = platform::MemoryOfProcess(::getpid());
    ASSERT_TRUE(self.has_value());
    EXPECT_GT(self->resident, 0u);
    EXPECT_GE(self->peak, self->resident);
    EXPECT_FALSE(platform::MemoryOfProcess(0x3fffffff).has_value());
    ASSERT_TRUE(platform::AvailableMemory().has_value());
    EXPECT_GT(*platform::AvailableMemory(), 0u);
    EXPECT_GE(platform::UsableProcessors(), 1);
}

}  // namespace
}  // namespace quill
