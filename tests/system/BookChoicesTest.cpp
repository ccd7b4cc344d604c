// The kind of book chosen on the command line, and kept for the story: a long story in
// volumes, an update that rebuilds only the volume it grew in, and the same kind of book
// made again without being asked.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "QuillbyRun.h"
#include "support/PdfProbe.h"
#include "support/Process.h"
#include "support/StorySim.h"
#include "support/TempDir.h"

namespace quill::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;

// Story 1401 with that many chapters of one page each.
std::string Catalog(int chapters) {
    nlohmann::json parts = nlohmann::json::array();
    for (int i = 1; i <= chapters; ++i) {
        parts.push_back({{"id", 140100 + i},
                         {"title", "Chapter " + std::to_string(i)},
                         {"slug", "c" + std::to_string(i)},
                         {"pages", 1}});
    }
    return nlohmann::json{{"stories",
                           {{{"id", 1401},
                             {"slug", "long"},
                             {"title", "Long Tale"},
                             {"author", "Test Author"},
                             {"description", "d"},
                             {"parts", parts}}}}}
        .dump();
}

class StoryVolumes : public ::testing::Test {
  protected:
    RunResult Quillby(const std::vector<std::string>& args) {
        std::vector<std::string> argv{QuillbyPath()};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::Run(argv, desk_.env(), 120s);
    }
    std::string Volume(const std::string& name) const {
        return desk_.DataDir() + "/Long Tale — Volume " + name + ".pdf";
    }

    TempDir catalog_;
    StorySim sim_{[this] {
        WriteFile(catalog_.file("catalog.json"), Catalog(5));
        StorySim::Options options;
        options.catalogFile = catalog_.file("catalog.json");
        return options;
    }()};
    QuillbyDesk desk_{sim_.base_url()};
};

TEST_F(StoryVolumes, AnUpdateRebuildsOnlyTheVolumeTheStoryGrewIn) {
    const std::string story = sim_.url("/story/1401-long");
    const RunResult first =
        Quillby({"--download", "--page", "phone", "--volume-chapters", "2", story});
    ASSERT_EQ(first.exitCode, 0) << first.Describe();
    EXPECT_EQ(PdfFiles(desk_.DataDir()),
              (std::vector<std::string>{"Long Tale — Volume 1 (chapters 1–2).pdf",
                                        "Long Tale — Volume 2 (chapters 3–4).pdf",
                                        "Long Tale — Volume 3 (chapter 5).pdf"}));
    const std::vector<std::string> lines = Lines(first.stdOut);
    EXPECT_THAT(std::vector<std::string>(lines.end() - 3, lines.end()),
                ElementsAre(Volume("1 (chapters 1–2)"), Volume("2 (chapters 3–4)"),
                            Volume("3 (chapter 5)")));
    const std::string one = ReadFile(Volume("1 (chapters 1–2)"));
    const auto oneTime = fs::last_write_time(Volume("1 (chapters 1–2)"));
    const auto twoTime = fs::last_write_time(Volume("2 (chapters 3–4)"));

    // One chapter more: only the last volume is built again, under its grown name, and
    // the volume it replaces is gone. The library remembered the phone's page.
    WriteFile(catalog_.file("catalog.json"), Catalog(6));
    const RunResult update = Quillby({"--update-all"});
    ASSERT_EQ(update.exitCode, 0) << update.Describe();
    const std::vector<std::string> updated = Lines(update.stdOut);
    EXPECT_THAT(updated, Contains("Volumes 1, 2 have no new chapters: kept as they are."));
    EXPECT_EQ(std::count(updated.begin(), updated.end(), "building book ...."), 1);
    EXPECT_EQ(PdfFiles(desk_.DataDir()),
              (std::vector<std::string>{"Long Tale — Volume 1 (chapters 1–2).pdf",
                                        "Long Tale — Volume 2 (chapters 3–4).pdf",
                                        "Long Tale — Volume 3 (chapters 5–6).pdf"}));
    EXPECT_EQ(ReadFile(Volume("1 (chapters 1–2)")), one);
    EXPECT_EQ(fs::last_write_time(Volume("1 (chapters 1–2)")), oneTime) << "not written again";
    EXPECT_EQ(fs::last_write_time(Volume("2 (chapters 3–4)")), twoTime) << "not written again";
    EXPECT_EQ(PdfInfo(Volume("3 (chapters 5–6)")).at("Page size"), "176 x 312 pts");

    // Nothing new: every volume stays as it is.
    const RunResult again = Quillby({"--update-all"});
    ASSERT_EQ(again.exitCode, 0) << again.Describe();
    EXPECT_THAT(Lines(again.stdOut), Contains("No new chapters: the books are up to date."));
    EXPECT_EQ(fs::last_write_time(Volume("2 (chapters 3–4)")), twoTime);

    const RunResult list = Quillby({"--list", "--json"});
    ASSERT_EQ(list.exitCode, 0) << list.Describe();
    const nlohmann::json listed = nlohmann::json::parse(list.stdOut).at(0);
    EXPECT_EQ(listed.at("choices"), "page=phone text=medium volume=2");
    ASSERT_EQ(listed.at("books").size(), 3u);
    EXPECT_EQ(listed.at("books").at(2).at("volume"), 3);
    EXPECT_EQ(listed.at("books").at(2).at("chapters"), "5-6");
}

}  // namespace
}  // namespace quill::test
