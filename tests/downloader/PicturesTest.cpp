// The pictures chapters show: fetched from the story site with their chapter, each once,
// kept in the chapter store, and left out, each with its cause, when they cannot be had.
// Requests are counted at the simulator.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>

#include "JobRunner.h"
#include "common/Digest.h"
#include "common/PictureList.h"
#include "support/TempDir.h"

namespace quill::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::vector<std::string> PictureRequests(const std::vector<std::string>& requests) {
    std::vector<std::string> pictures;
    std::copy_if(requests.begin(), requests.end(), std::back_inserter(pictures),
                 [](const std::string& path) {
                     return path.find("pictures/") != std::string::npos ||
                            path.rfind("/hang/", 0) == 0;
                 });
    return pictures;
}

std::vector<std::string> LeftOutLines(const std::vector<std::string>& lines) {
    std::vector<std::string> leftOut;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(leftOut),
                 [](const std::string& line) { return line.rfind("Picture", 0) == 0; });
    return leftOut;
}

// A chapter of `count` pictures of `megabytes` each, and one more tiny one after them.
std::string HeavyCatalog(int count, int megabytes) {
    nlohmann::json page = nlohmann::json::array({"A chapter heavy with pictures."});
    for (int i = 0; i < count; ++i) {
        page.push_back(
            megabytes > 0
                ? "<img src=\"/pictures/odd/weight-" + std::to_string(megabytes) + "-" +
                      std::to_string(i) + ".png\" alt=\"heavy " + std::to_string(i) + "\">"
                : "<img src=\"/pictures/gen/2x2-" + std::to_string(i) + ".png\" alt=\"dot\">");
    }
    page.push_back("The end of the chapter.");
    return nlohmann::json{
        {"stories",
         {{{"id", 1790},
           {"title", "Heavy"},
           {"parts", {{{"id", 179001}, {"title", "Heavy"}, {"pages", {page}}}}}}}}}
        .dump();
}

class Pictures : public ::testing::Test {
  protected:
    RunResult Job(int story, bool refresh = false, bool pictures = true) {
        work_ = std::make_unique<TempDir>();
        sim_.reset_log();
        JobTicket ticket{sim_.story_url(story), work_->path(), store_.path(), refresh, pictures};
        RunResult result = RunJob(sim_, ticket);
        EXPECT_TRUE(result.succeeded()) << result.Describe();
        return result;
    }
    std::vector<std::string> Lines() const { return RunLogLines(work_->path()); }
    std::vector<std::string> Files() const { return ListDir(work_->path()); }
    std::vector<PictureLink> List(int chapter) const {
        return ReadPictureList(ReadFile(work_->file(PictureListName(chapter))));
    }
    // The work folder's copy of the picture a chapter shows for `src`.
    std::string Copy(int chapter, const std::string& src) const {
        for (const PictureLink& link : List(chapter)) {
            if (link.src == src) {
                return ReadFile(work_->file(link.file));
            }
        }
        return "<none for " + src + ">";
    }

    StorySim sim_;
    TempDir store_;
    std::unique_ptr<TempDir> work_;
};

TEST_F(Pictures, EachIsFetchedOnceWithItsChapterAndAReRunAsksForNone) {
    Job(1701);
    // Each chapter's pictures come after its pages, each picture of the story once: the
    // map, shown on both pages of the first chapter and again in the second, is one request.
    EXPECT_THAT(
        sim_.requests(),
        ElementsAre("/story/1701", "/covers/1701.jpg", "/170101-part-170101",
                    "/170101-part-170101/page/1", "/170101-part-170101/page/2", "/pictures/map.png",
                    "/pictures/photo.jpg", "/pictures/art.gif", "/170102-part-170102",
                    "/170102-part-170102/page/1", "/pictures/sketch.webp", "/pictures/badge.webp",
                    "/170103-part-170103", "/170103-part-170103/page/1",
                    "/pictures/gen/2400x1800.png", "/pictures/gen/300x2400-3.png"));
    EXPECT_THAT(LeftOutLines(Lines()), IsEmpty());
    // The chapter file is as the site wrote it; its list leads each source, relative or
    // absolute, to the picture's bytes beside it.
    EXPECT_THAT(ReadFile(work_->file("1.html")), HasSubstr("src=\"../../pictures/art.gif\""));
    EXPECT_EQ(List(1).size(), 3u);
    EXPECT_EQ(Copy(1, "/pictures/map.png"), sim_.get("/pictures/map.png").body);
    EXPECT_EQ(Copy(1, sim_.url("/pictures/photo.jpg")), sim_.get("/pictures/photo.jpg").body);
    EXPECT_EQ(Copy(1, "../../pictures/art.gif"), sim_.get("/pictures/art.gif").body);
    EXPECT_EQ(Copy(2, "/pictures/map.png"), sim_.get("/pictures/map.png").body);
    const std::vector<std::string> first = Files();

    // The chapters and their pictures come from the store.
    Job(1701);
    EXPECT_THAT(sim_.requests(), ElementsAre("/story/1701"));
    EXPECT_EQ(Files(), first);
    EXPECT_EQ(Copy(2, "/pictures/badge.webp"), sim_.get("/pictures/badge.webp").body);

    Job(1701, true);
    EXPECT_EQ(PictureRequests(sim_.requests()).size(), 7u);
}

TEST_F(Pictures, WithoutPicturesNoneIsAskedForAndChaptersAreTextOnly) {
    Job(1701, false, false);
    EXPECT_THAT(PictureRequests(sim_.requests()), IsEmpty());
    EXPECT_THAT(Files(), ElementsAre("1.html", "2.html", "3.html", "cover.jpg", "run.log"));
    // Turned on later, the saved chapters get their pictures, and nothing else is asked.
    Job(1701);
    EXPECT_EQ(PictureRequests(sim_.requests()).size(), 7u);
    EXPECT_EQ(sim_.requests().size(), 1u + 7u);
    EXPECT_EQ(List(3).size(), 2u);
}

TEST_F(Pictures, OddPicturesAreLeftOutEachWithItsCauseAndTheChapterKeepsTheRest) {
    Job(1702);
    const std::string left = "Picture left out of chapter 1 (";
    EXPECT_THAT(
        LeftOutLines(Lines()),
        ElementsAre(
            left + "http://localhost:" + std::to_string(sim_.port()) +
                "/pictures/pixel.gif): it is not on the story's site but on http://localhost:" +
                std::to_string(sim_.port()) + ".",
            left + sim_.url("/pictures/odd/huge-header.png") +
                "): it is 20000 \u00D7 20000 pixels, more than 10,000 on a side.",
            left + sim_.url("/pictures/odd/sign-in.jpg") +
                "): it is not a JPEG, PNG, GIF or WebP picture.",
            left + sim_.url("/pictures/missing.png") + "): the site answered with HTTP status 404.",
            left + sim_.url("/pictures/odd/nine-megabytes.png") + "): it is larger than 8 MB.",
            left + sim_.url("/pictures/odd/cut-short.jpg") +
                "): its header is cut short or does not give its size.",
            left + "data:image/gif;base64,R0lGODlhAQABAAAAACw=): it is written into the page (a "
                   "data: address), not on the story's site.",
            ::testing::StartsWith(left + sim_.url("/hang/photo.jpg") +
                                  "): it did not arrive in time (")));
    // The tracking pixel's host was never asked; a picture that never answers ended within
    // the request time-out, and the chapter came whole with the two pictures that arrived.
    EXPECT_THAT(sim_.requests(), Not(Contains("/pictures/pixel.gif")));
    EXPECT_THAT(Lines(), Contains("done"));
    EXPECT_THAT(ReadFile(work_->file("1.html")), HasSubstr("Only two of the frames"));
    EXPECT_EQ(List(1).size(), 2u);
    EXPECT_EQ(Copy(1, "/slow/300/pictures/art.gif"), sim_.get("/pictures/art.gif").body);

    // What failed for good is not asked again; what may come another time is.
    Job(1702);
    EXPECT_THAT(sim_.requests(), ElementsAre("/story/1702", "/hang/photo.jpg"));
    EXPECT_EQ(LeftOutLines(Lines()).size(), 8u);
}

TEST_F(Pictures, AChaptersPicturesStopAtTheirBounds) {
    TempDir catalog;
    // Nine pictures of 7 MB fill 63 of the chapter's 64 MB; the tenth would pass them.
    WriteFile(catalog.file("heavy.json"), HeavyCatalog(10, 7));
    StorySim heavy([&] {
        StorySim::Options options;
        options.catalogFile = catalog.file("heavy.json");
        return options;
    }());
    TempDir work;
    ASSERT_TRUE(RunJob(heavy, {heavy.story_url(1790), work.path(), "", false}).succeeded());
    EXPECT_EQ(ReadPictureList(ReadFile(work.file("1.pictures.json"))).size(), 9u);
    EXPECT_THAT(LeftOutLines(RunLogLines(work.path())),
                ElementsAre(HasSubstr("weight-7-9.png): the chapter's pictures would be larger "
                                      "than 64 MB.")));

    // A chapter asks for at most 200 different pictures; the rest are counted in one line.
    WriteFile(catalog.file("heavy.json"), HeavyCatalog(205, 0));
    TempDir many;
    heavy.reset_log();
    ASSERT_TRUE(RunJob(heavy, {heavy.story_url(1790), many.path(), "", false}).succeeded());
    EXPECT_EQ(PictureRequests(heavy.requests()).size(), 200u);
    EXPECT_THAT(LeftOutLines(RunLogLines(many.path())),
                ElementsAre("Pictures left out of chapter 1: 5 more, as a chapter shows at most "
                            "200."));
}

TEST_F(Pictures, ADamagedKeptPictureIsNamedAndFetchedAgain) {
    Job(1701);
    const std::string entry =
        store_.file("1701/" + Sha256Hex(sim_.url("/pictures/map.png")) + ".picture");
    std::string bytes = ReadFile(entry);
    bytes[bytes.size() - 100] ^= 1;
    WriteFile(entry, bytes);

    Job(1701);
    EXPECT_THAT(sim_.requests(), ElementsAre("/story/1701", "/pictures/map.png"));
    EXPECT_THAT(Lines(), Contains("The saved copy of picture " + sim_.url("/pictures/map.png") +
                                  " was damaged (its content does not match the digest recorded "
                                  "when it was written); it is fetched again."));
    EXPECT_EQ(Copy(2, "/pictures/map.png"), sim_.get("/pictures/map.png").body);
}

}  // namespace
}  // namespace quill::test
