// One story, one store, one book: every address a reader may paste for a story, and what
// earlier versions kept under those addresses, lead to the same kept chapters and the same
// book. Requests are counted at the simulator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
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
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using Paths = std::vector<std::string>;

// Story 1059, three chapters of one page each; the test rewrites it between downloads.
std::string Catalog(const std::string& secondTitle, const std::string& secondText,
                    const std::string& thirdSlug) {
    return R"({"stories": [{"id": 1059, "slug": "retold", "title": "Retold",
        "author": "Test Author", "description": "d", "parts": [
        {"id": 105901, "title": "Uno", "slug": "uno", "pages": [["The first text."]]},
        {"id": 105902, "title": ")" +
           secondTitle + R"(", "slug": "dos", "pages": [[")" + secondText + R"("]]},
        {"id": 105903, "title": "Tres", "slug": ")" +
           thirdSlug + R"(", "pages": [["The third text."]]}]}]})";
}

std::string RecordedStory(const std::string& pdf) {
    const nlohmann::json json = QpdfJson(pdf, {"qpdf"});
    return QpdfObject(json, QpdfObject(json, "trailer").at("/Info")).at("/QuillbyStory");
}

std::vector<std::string> Outline(const std::string& pdf) {
    std::vector<std::string> titles;
    const nlohmann::json json = QpdfJson(pdf, {"outlines"});
    for (const nlohmann::json& item : json.at("outlines")) {
        titles.push_back(item.at("title"));
    }
    return titles;
}

class StoryIdentity : public ::testing::Test {
  protected:
    // Downloads the address and returns the requests it made.
    Paths Download(const std::string& path) {
        sim_.reset_log();
        last_ = desk_.Download(sim_.url(path));
        EXPECT_TRUE(last_.succeeded()) << path << ": " << last_.Describe() << "\n" << last_.stdOut;
        return sim_.requests();
    }
    std::string Stories() const {
        return desk_.home() + "/.local/share/Quillby Downloader/stories";
    }
    std::string Book() const { return desk_.DataDir() + "/Seven Forms.pdf"; }

    // What an earlier version would have left for story 1058 pasted as `pasted`: its kept
    // chapters in the first entry format, under a folder named after that address form, and
    // a book that records that address.
    void LeaveEarlierVersionsState(const std::string& folder, const std::string& pasted) {
        const std::string earlier = Stories() + "/" + folder;
        fs::create_directory(earlier);
        for (const std::string& name : ListDir(Stories() + "/1058")) {
            const std::string entry = ReadFile(Stories() + "/1058/" + name);
            const size_t address = entry.find("address: ") + 9;
            const size_t blank = entry.find("\n\n");
            const std::string content = entry.substr(blank + 2);
            WriteFile(earlier + "/" + name,
                      "quillby-store 1\naddress: " +
                          entry.substr(address, entry.find('\n', address) - address) +
                          "\nbytes: " + std::to_string(content.size()) + "\n\n" + content);
        }
        fs::remove_all(Stories() + "/1058");
        fs::remove(Book());
        const RunResult rebuilt =
            test::Run({BinaryDir() + "/quillbook", desk_.WorkDir(), "Seven Forms", "3",
                       desk_.DataDir(), "Test Author", pasted},
                      desk_.env(), 120s);
        ASSERT_TRUE(rebuilt.succeeded()) << rebuilt.Describe();
        ASSERT_EQ(RecordedStory(Book()), "u:" + pasted);
    }

    TempDir catalog_;
    StorySim sim_{[this] {
        WriteFile(catalog_.file("catalog.json"), Catalog("Dos", "Old text.", "tres"));
        StorySim::Options options;
        options.catalogFile = catalog_.file("catalog.json");
        return options;
    }()};
    QuillbyDesk desk_{sim_.base_url()};
    RunResult last_;
};

TEST_F(StoryIdentity, EveryAddressOfAStoryKeepsOneStoreAndOneBook) {
    Download("/story/1058-seven-forms");
    const Paths story{"/story/1058-seven-forms"};  // where the site sends every other form
    EXPECT_EQ(Download("/story/1058"), (Paths{"/story/1058", story[0]}));
    EXPECT_EQ(Download("/story/1058-an-old-slug?ref=x"),
              (Paths{"/story/1058-an-old-slug?ref=x", story[0]}));
    // A chapter page names its story only in its metadata.
    EXPECT_EQ(Download("/105802-dos"), Paths{"/105802-dos"});
    EXPECT_THAT(Lines(last_.stdOut), Contains("chapter_2 / 3: Dos (saved copy)"));

    EXPECT_EQ(ListDir(Stories()), Paths{"1058"});
    EXPECT_EQ(PdfFiles(desk_.DataDir()), Paths{"Seven Forms.pdf"});
    EXPECT_EQ(RecordedStory(Book()), "u:" + sim_.url("/story/1058"));
}

TEST_F(StoryIdentity, WhatAnEarlierVersionKeptUnderAnotherAddressIsFoundAgain) {
    Download("/story/1058-seven-forms");
    LeaveEarlierVersionsState("1058-seven-forms", sim_.url("/story/1058-seven-forms?ref=x"));
    EXPECT_EQ(Download("/story/1058"), (Paths{"/story/1058", "/story/1058-seven-forms"}));
    EXPECT_EQ(ListDir(Stories()), Paths{"1058"});
    EXPECT_EQ(PdfFiles(desk_.DataDir()), Paths{"Seven Forms.pdf"});
    EXPECT_EQ(RecordedStory(Book()), "u:" + sim_.url("/story/1058"));

    // Pasted as a chapter page, the book recorded that page's own address.
    LeaveEarlierVersionsState("105802-dos", sim_.url("/105802-dos"));
    EXPECT_EQ(Download("/105802-dos"), Paths{"/105802-dos"});
    EXPECT_EQ(ListDir(Stories()), Paths{"1058"});
    EXPECT_EQ(PdfFiles(desk_.DataDir()), Paths{"Seven Forms.pdf"});
    EXPECT_EQ(RecordedStory(Book()), "u:" + sim_.url("/story/1058"));
}

TEST_F(StoryIdentity, AChangedContentsEntryIsFetchedAgainAloneAndTheBookShowsIt) {
    Download("/story/1059-retold");
    // The author retitles chapter 2 and rewrites it; chapter 3 moves to another address.
    WriteFile(catalog_.file("catalog.json"), Catalog("Dos (revised)", "New text.", "tres-moved"));
    EXPECT_EQ(Download("/story/1059-retold"),
              (Paths{"/story/1059-retold", "/105902-dos", "/105902-dos/page/1",
                     "/105903-tres-moved", "/105903-tres-moved/page/1"}));
    const std::vector<std::string> out = Lines(last_.stdOut);
    EXPECT_THAT(out, Contains("chapter_1 / 3: Uno (saved copy)"));
    EXPECT_THAT(out, Contains("chapter_2 / 3: Dos (revised)"));
    EXPECT_THAT(out, Contains("chapter_3 / 3: Tres"));

    const std::string book = desk_.DataDir() + "/Retold.pdf";
    EXPECT_THAT(Outline(book), ElementsAre("Cover", "Uno", "Dos (revised)", "Tres"));
    const RunResult text = test::Run({"pdftotext", "-f", "3", "-l", "3", book, "-"}, {}, 30s);
    EXPECT_THAT(text.stdOut, HasSubstr("New text."));
    EXPECT_THAT(text.stdOut, Not(HasSubstr("Old text.")));
}

}  // namespace
}  // namespace quill::test
