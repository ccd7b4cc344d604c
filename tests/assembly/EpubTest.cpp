// The EPUB edition built from work folders that the real downloader filled from the
// simulator, unpacked and checked with epubcheck, libzip and libxml2.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/resource.h>
#include <zip.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <regex>

#include "assembly/BookBuilder.h"
#include "assembly/BookName.h"
#include "common/Paths.h"
#include "common/PictureHeader.h"
#include "common/Ticket.h"
#include "epub/EpubBook.h"
#include "support/PdfProbe.h"
#include "support/Process.h"
#include "support/StorySim.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A chapter that cannot be fetched, a heading that needs escaping, and a story without a
// cover picture.
constexpr const char* kCatalog = R"({"stories": [
  {"id": 1175, "slug": "a-gap", "title": "A Gap in the Story", "author": "Test Author",
   "description": "Chapter 2 cannot be fetched.", "cover": "jpeg",
   "parts": [{"id": 117501, "title": "Fish & Chips <3", "pages": 1},
             {"id": 117502, "title": "Chapter 2", "pages": 1, "first_view_status": 404},
             {"id": 117503, "title": "Chapter 3: Après", "pages": 2}]},
  {"id": 1176, "slug": "no-cover", "title": "Without a Cover", "author": "Test Author",
   "description": "The cover picture is missing.", "cover": 404,
   "parts": [{"id": 117601, "title": "Chapter 1", "pages": 1},
             {"id": 117602, "title": "Chapter 2", "pages": 2}]}
]})";

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDoc = std::unique_ptr<xmlDoc, DocFree>;

// Blank runs made one blank, ends trimmed.
std::string Squeeze(const std::string& text) {
    const std::string squeezed = std::regex_replace(text, std::regex("\\s+"), " ");
    const size_t first = squeezed.find_first_not_of(' ');
    return first == std::string::npos
               ? ""
               : squeezed.substr(first, squeezed.find_last_not_of(' ') - first + 1);
}

std::string Content(xmlNode* node) {
    xmlChar* text = xmlNodeGetContent(node);
    std::string result = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return result;
}

// The elements of that name below parent, in document order.
std::vector<xmlNode*> Elements(xmlNode* parent, const std::string& name) {
    std::vector<xmlNode*> found;
    for (xmlNode* node = parent->children; node != nullptr; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && name == reinterpret_cast<const char*>(node->name)) {
            found.push_back(node);
        }
        const std::vector<xmlNode*> below = Elements(node, name);
        found.insert(found.end(), below.begin(), below.end());
    }
    return found;
}

// An XML file of the book; a parse failure (not well-formed) fails the test.
XmlDoc ParseXml(const std::string& bytes) {
    XmlDoc doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                             XML_PARSE_NONET));
    EXPECT_TRUE(doc) << "not well-formed:\n" << bytes.substr(0, 2000);
    return doc;
}

// The text of a chapter file as a browser reads it, blanks squeezed.
std::string ChapterFileText(const std::string& path) {
    const std::string html = "<html><body>" + test::ReadFile(path) + "</body></html>";
    const XmlDoc doc(htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING));
    return Squeeze(Content(Elements(xmlDocGetRootElement(doc.get()), "body").at(0)));
}

// A finished EPUB, read entry by entry.
class EpubFile {
  public:
    explicit EpubFile(const std::string& path) : bytes_(test::ReadFile(path)) {
        int error = 0;
        archive_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (archive_ == nullptr) {
            throw std::runtime_error("not a ZIP archive: " + path);
        }
    }
    ~EpubFile() { zip_discard(archive_); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (zip_int64_t i = 0; i < zip_get_num_entries(archive_, 0); ++i) {
            names.emplace_back(zip_get_name(archive_, i, 0));
        }
        return names;
    }
    bool Has(const std::string& name) const {
        return zip_name_locate(archive_, name.c_str(), 0) >= 0;
    }
    std::string Entry(const std::string& name) const {
        zip_stat_t stat;
        zip_file_t* file = zip_fopen(archive_, name.c_str(), 0);
        if (file == nullptr || zip_stat(archive_, name.c_str(), 0, &stat) != 0) {
            throw std::runtime_error("no entry " + name);
        }
        std::string bytes(stat.size, '\0');
        zip_fread(file, bytes.data(), stat.size);
        zip_fclose(file);
        return bytes;
    }
    XmlDoc Xml(const std::string& name) const { return ParseXml(Entry(name)); }
    // The whole file's bytes, for its layout.
    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
    zip_t* archive_ = nullptr;
};

std::vector<std::string> Texts(const std::vector<xmlNode*>& nodes) {
    std::vector<std::string> texts;
    for (xmlNode* node : nodes) {
        texts.push_back(Squeeze(Content(node)));
    }
    return texts;
}

// epubcheck's verdict: no fatal error, no error and no warning.
void ExpectEpubcheckPasses(const std::string& epub) {
    // The client VM settings halve the checker's start-up; the verdict is the same.
    const test::RunResult r = test::Run({"java", "-XX:TieredStopAtLevel=1", "-XX:+UseSerialGC",
                                         "-jar", QUILLBY_EPUBCHECK_JAR, epub},
                                        {}, 180s);
    EXPECT_TRUE(r.succeeded()) << r.Describe() << "\n" << r.stdOut;
    EXPECT_THAT(r.stdOut, HasSubstr("No errors or warnings detected.")) << r.stdOut << r.stdErr;
}

class RecordingLog : public IWindowLog {
  public:
    void Log(const std::string& text) override { events.push_back("+" + text); }
    void UpdateLog(const std::string& text) override { events.push_back("=" + text); }
    void ProcessMessages() override {}
    std::vector<std::string> events;
};

// A work folder as the downloader leaves it, and a data folder for the edition.
class EpubEdition : public ::testing::Test {
  protected:
    EpubEdition() {
        job_.tmpdir = base_.path() + "/work";
        job_.datadir = base_.path() + "/data ü";
        fs::create_directory(fs::u8path(job_.tmpdir));
        fs::create_directory(fs::u8path(job_.datadir));
        job_.format = BookFormat::Epub;
    }

    // Runs the real downloader on the story and takes title, author and the last chapter
    // from its run log, as the completion step does.
    void Download(int storyId) {
        test::StorySimOptions options;
        options.catalogJson = kCatalog;
        sim_ = std::make_unique<test::StorySim>(options);
        job_.storyurl = sim_->story_url(storyId);
        const test::RunResult r = test::Run(
            {test::QuillmainPath(), EncodeTicket({job_.storyurl, job_.tmpdir, "", false})},
            {{"QUILLBY_BASE_URL", sim_->base_url()},
             {"QUILLBY_CHAPTER_PAUSE_MS", "1"},
             {"QUILLBY_HTTP_TIMEOUT_S", "2"}},
            60s);
        ASSERT_TRUE(r.succeeded()) << r.Describe();
        std::istringstream log(test::ReadFile(Work("run.log")));
        for (std::string line; std::getline(log, line);) {
            line = line.substr(0, line.find('\r'));
            if (line.rfind("title:", 0) == 0) {
                job_.booktitle = line.substr(6);
            } else if (line.rfind("author:", 0) == 0) {
                job_.bookauthor = line.substr(7);
            } else if (line.rfind("chapter:", 0) == 0) {
                job_.lastchapter = std::stoi(line.substr(8));
            }
        }
    }

    void Build() {
        BuildBook(job_, log_);
        ASSERT_TRUE(FileExists(job_.epubfile)) << job_.epubfile;
    }

    std::string Work(const std::string& name) const { return JoinPath(job_.tmpdir, name); }
    void WriteWork(const std::string& name, const std::string& bytes) {
        test::WriteFile(Work(name), bytes);
    }

    // The headings the navigation document and the NCX list, in order.
    static std::vector<std::string> NavHeadings(const EpubFile& epub) {
        const XmlDoc nav = epub.Xml("OEBPS/nav.xhtml");
        return Texts(Elements(Elements(xmlDocGetRootElement(nav.get()), "nav").at(0), "a"));
    }
    static std::vector<std::string> NcxHeadings(const EpubFile& epub) {
        const XmlDoc ncx = epub.Xml("OEBPS/toc.ncx");
        return Texts(Elements(Elements(xmlDocGetRootElement(ncx.get()), "navMap").at(0), "text"));
    }
    static XmlDoc Package(const EpubFile& epub) { return epub.Xml("OEBPS/content.opf"); }
    static std::string Meta(const XmlDoc& opf, const std::string& name) {
        const std::vector<xmlNode*> found = Elements(xmlDocGetRootElement(opf.get()), name);
        return found.empty() ? "<none>" : Content(found.front());
    }

    std::unique_ptr<test::StorySim> sim_;
    test::TempDir base_{"epub #é"};
    BookJob job_;
    RecordingLog log_;
};

TEST_F(EpubEdition, SampleStoryPassesEpubcheckWithEveryChapterTextInOrder) {
    Download(1001);
    job_.bookfile = "earlier book";
    Build();

    ExpectEpubcheckPasses(job_.epubfile);
    const std::string expected = job_.datadir + "/" + MakeBookName(job_.booktitle) + ".epub";
    EXPECT_EQ(job_.epubfile, expected);
    EXPECT_EQ(job_.bookfile, "") << "no PDF was asked for";
    EXPECT_FALSE(FileExists(Work("1.pdf")));
    EXPECT_THAT(log_.events, ElementsAre("+building epub ....", "=process epub chapter 1",
                                         "=process epub chapter 2", "=process epub chapter 3",
                                         "=process epub chapter 4", "=process epub chapter 5",
                                         "+save epub file " + expected));

    const EpubFile epub(job_.epubfile);
    std::vector<std::string> headings;
    for (int n = 1; n <= 5; ++n) {
        const XmlDoc doc = epub.Xml("OEBPS/chapter-" + std::to_string(n) + ".xhtml");
        xmlNode* root = xmlDocGetRootElement(doc.get());
        EXPECT_EQ(Squeeze(Content(Elements(root, "body").at(0))),
                  ChapterFileText(Work(std::to_string(n) + ".html")))
            << "chapter " << n;
        headings.push_back(Squeeze(Content(Elements(root, "h2").at(0))));
    }
    EXPECT_EQ(headings.front(), "Chapter 1: The Last Ferry");
    EXPECT_EQ(headings.back(), "Chapter 5: Morning at Pointe-Aubé");
    std::vector<std::string> listed = {"Cover"};
    listed.insert(listed.end(), headings.begin(), headings.end());
    EXPECT_THAT(NavHeadings(epub), ElementsAreArray(listed));
    EXPECT_THAT(NcxHeadings(epub), ElementsAreArray(listed));
}

TEST_F(EpubEdition, PackageRecordsTheStoryAndStartsWithAnUncompressedMimetype) {
    Download(1001);
    Build();
    const EpubFile epub(job_.epubfile);
    // A reader tells the file by "mimetype" stored first, uncompressed, without extra field.
    const std::string& bytes = epub.Bytes();
    EXPECT_EQ(bytes.substr(0, 4), "PK\x03\x04");
    EXPECT_EQ(bytes.substr(8, 2), std::string("\0\0", 2)) << "stored";
    EXPECT_EQ(bytes.substr(28, 2), std::string("\0\0", 2)) << "no extra field";
    EXPECT_EQ(bytes.substr(30, 28), "mimetypeapplication/epub+zip");

    const XmlDoc opf = Package(epub);
    EXPECT_EQ(Meta(opf, "title"), job_.booktitle);
    EXPECT_EQ(Meta(opf, "creator"), "Maren Holloway");
    EXPECT_EQ(Meta(opf, "source"), job_.storyurl);
    // The job names no language and Latin script is written by many: never a guessed "en".
    EXPECT_EQ(Meta(opf, "language"), "und");
    EXPECT_THAT(Meta(opf, "identifier"),
                ::testing::MatchesRegex("urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-8[0-9a-f]{3}-"
                                        "[89ab][0-9a-f]{3}-[0-9a-f]{12}"));
    EXPECT_THAT(Meta(opf, "meta"), ::testing::MatchesRegex("20[0-9-]{8}T[0-9:]{8}Z"));
    EXPECT_EQ(StoryOfEpub(job_.epubfile), job_.storyurl);

    // The same story keeps its identifier and its file; another story of the same title
    // gets a name of its own and never replaces it.
    const std::string first = job_.epubfile, identifier = Meta(opf, "identifier");
    Build();
    EXPECT_EQ(job_.epubfile, first);
    EXPECT_EQ(Meta(Package(EpubFile(first)), "identifier"), identifier);
    job_.storyurl = sim_->story_url(1002);
    Build();
    EXPECT_EQ(job_.epubfile, job_.datadir + "/" + MakeBookName(job_.booktitle) + " (2).epub");
    EXPECT_NE(Meta(Package(EpubFile(job_.epubfile)), "identifier"), identifier);
    EXPECT_EQ(StoryOfEpub(first), sim_->story_url(1001));
}

TEST_F(EpubEdition, StoryWithAMissingChapterListsTheOthersAndPassesEpubcheck) {
    Download(1175);
    ASSERT_EQ(job_.lastchapter, 3);
    ASSERT_FALSE(FileExists(Work("2.html")));
    Build();

    ExpectEpubcheckPasses(job_.epubfile);
    const EpubFile epub(job_.epubfile);
    EXPECT_FALSE(epub.Has("OEBPS/chapter-2.xhtml"));
    EXPECT_THAT(NavHeadings(epub), ElementsAre("Cover", "Fish & Chips <3", "Chapter 3: Après"));
    EXPECT_THAT(NcxHeadings(epub), ElementsAre("Cover", "Fish & Chips <3", "Chapter 3: Après"));
    EXPECT_EQ(Meta(Package(epub), "title"), "A Gap in the Story");
}

TEST_F(EpubEdition, StoryWithoutACoverPictureGetsATitlePageAndPassesEpubcheck) {
    Download(1176);
    ASSERT_EQ(test::ReadFile(Work("cover.jpg")), "") << "a failed cover leaves an empty file";
    Build();

    ExpectEpubcheckPasses(job_.epubfile);
    const EpubFile epub(job_.epubfile);
    EXPECT_THAT(epub.Entry("OEBPS/content.opf"), Not(HasSubstr("cover-image")));
    const XmlDoc cover = epub.Xml("OEBPS/cover.xhtml");
    EXPECT_EQ(Squeeze(Content(Elements(xmlDocGetRootElement(cover.get()), "body").at(0))),
              "Without a Cover Test Author");
}

// The cover picture is whatever the site sent, under the name cover.jpg.
TEST_F(EpubEdition, CoverPictureIsJudgedByItsBytes) {
    const std::string jpeg =
        test::ReadFile(fs::path(test::StorySimScript()).parent_path() / "cover.jpg");
    const std::string png =
        test::ReadFile(fs::path(test::StorySimScript()).parent_path() / "cover.png");
    struct Case {
        std::string bytes, entry, mediaType;
    };
    const std::vector<Case> cases = {
        {jpeg, "OEBPS/cover.jpg", "image/jpeg"},
        {png, "OEBPS/cover.png", "image/png"},
        {"GIF89a\x01\x00\x01\x00", "OEBPS/cover.gif", "image/gif"},
        {"<html>Not Found</html>", "", ""},
        {"", "", ""},
    };
    WriteWork("1.html", "<h2>One</h2>\n<div class=\"page\">\n<p>x</p></div>\n");
    job_.lastchapter = 1;
    job_.booktitle = "Covers";
    for (const Case& c : cases) {
        WriteWork("cover.jpg", c.bytes);
        Build();
        const EpubFile epub(job_.epubfile);
        const std::string opf = epub.Entry("OEBPS/content.opf");
        if (c.entry.empty()) {
            EXPECT_THAT(opf, Not(HasSubstr("properties=\"cover-image\""))) << c.bytes;
            continue;
        }
        EXPECT_EQ(epub.Entry(c.entry), c.bytes);
        EXPECT_THAT(opf, HasSubstr("href=\"" + c.entry.substr(6) + "\" media-type=\"" +
                                   c.mediaType + "\" properties=\"cover-image\""));
    }
    fs::remove(fs::u8path(Work("cover.jpg")));
    Build();
    EXPECT_THAT(EpubFile(job_.epubfile).Entry("OEBPS/content.opf"), Not(HasSubstr("cover-image")));
}

std::string Attribute(xmlNode* element, const char* name) {
    xmlChar* value = xmlGetProp(element, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// Each picture the chapters show is in the book once, under a type every reader draws (a
// WebP converted, a picture wider than a page scaled down), and the chapters show it with
// the story's alternative text and the small size it gave.
TEST_F(EpubEdition, ChaptersShowTheirPicturesOnceEachUnderACoreMediaType) {
    Download(1701);
    Build();
    ExpectEpubcheckPasses(job_.epubfile);
    const EpubFile epub(job_.epubfile);
    const XmlDoc opf = Package(epub);
    std::map<std::string, std::string> typeOf;
    std::map<std::string, uint32_t> widthOf;
    for (xmlNode* item : Elements(xmlDocGetRootElement(opf.get()), "item")) {
        const std::string href = Attribute(item, "href");
        if (href.rfind("picture-", 0) == 0 || href.rfind("book-", 0) == 0) {
            const std::optional<PictureHeader> header =
                ReadPictureHeader(epub.Entry("OEBPS/" + href));
            ASSERT_TRUE(header) << href;
            typeOf[href] = Attribute(item, "media-type");
            widthOf[href] = header->width;
            EXPECT_EQ(typeOf[href], MediaTypeOf(header->type)) << href;
        }
    }
    EXPECT_EQ(typeOf.size(), 7u);
    const auto shown = [&](int chapter) {
        const XmlDoc doc = epub.Xml("OEBPS/chapter-" + std::to_string(chapter) + ".xhtml");
        std::vector<std::string> pictures;
        for (xmlNode* img : Elements(xmlDocGetRootElement(doc.get()), "img")) {
            const std::string src = Attribute(img, "src");
            pictures.push_back(Attribute(img, "alt") + " | " + typeOf[src] + " " +
                               std::to_string(widthOf[src]) + " | " + Attribute(img, "width") +
                               "x" + Attribute(img, "height"));
        }
        return pictures;
    };
    EXPECT_THAT(shown(1), ElementsAre("A map of the harbour | image/png 400 | x",
                                      "The quay at dawn | image/jpeg 640 | 320x240",
                                      "The map, drawn over | image/png 400 | x",
                                      "A gull on the railing | image/gif 160 | x"));
    EXPECT_THAT(shown(2), ElementsAre("A sketch of the signal house | image/jpeg 480 | x",
                                      "The harbour badge | image/png 64 | 32x32",
                                      "The map | image/png 400 | x"));
    EXPECT_THAT(shown(3),
                ElementsAre("The bay from the hill | image/png 1600 | x",
                            "The lighthouse, from its lamp to the rocks | image/png 300 | x"));
}

// Also characters XML cannot carry: epubcheck rejects a book with a single one.
TEST_F(EpubEdition, HostileChapterLosesScriptsFramesAndRemoteReferences) {
    WriteWork("1.html",
              "<h2 onclick=\"steal()\">Hostile &amp; Sound</h2>\n<div class=\"page\">\n"
              "<script>document.write('SCRIPT-RAN')</script>\n"
              "<iframe src=\"http://tracker.example/frame\">FRAME-TEXT</iframe>\n"
              "<img src=\"https://tracker.example/pixel.gif\" alt=\"pixel\">\n"
              "<p onmouseover=\"steal()\" style=\"background:url(http://tracker.example/bg)\">"
              "Kept <b>bold</b> and <i>italic</i> text.</p>\n"
              "<a href=\"javascript:steal()\">a link text</a>\n"
              "<form action=\"http://tracker.example/post\"><input name=\"q\"></form>\n"
              "<object data=\"http://tracker.example/x.swf\"></object>\n"
              "<link rel=\"stylesheet\" href=\"http://tracker.example/s.css\">\n"
              "<p>a control \x01 character and a broken \xFF byte</p>\n"
              "</div>\n");
    job_.lastchapter = 1;
    job_.booktitle = "Hostile";
    Build();

    ExpectEpubcheckPasses(job_.epubfile);
    const std::string chapter = EpubFile(job_.epubfile).Entry("OEBPS/chapter-1.xhtml");
    for (const char* gone : {"<script", "SCRIPT-RAN", "<iframe", "FRAME-TEXT", "<img",
                             "tracker.example", "javascript:", "onclick", "onmouseover", "<form",
                             "<input", "<object", "<link rel=\"stylesheet\" href=\"http"}) {
        EXPECT_THAT(chapter, Not(HasSubstr(gone)));
    }
    EXPECT_THAT(chapter, HasSubstr("<h2 dir=\"auto\">Hostile &amp; Sound</h2>"));
    EXPECT_THAT(Squeeze(chapter), HasSubstr("Kept <b>bold</b> and <i>italic</i> text."));
    EXPECT_THAT(chapter, HasSubstr("a link text"));
}

TEST_F(EpubEdition, AChapterThatCannotBeReadWholeKeepsItsPlaceWithANote) {
    WriteWork("1.html", "<h2>One</h2>\n<div class=\"page\">\n<p>first</p></div>\n");
    std::string deep;
    for (int i = 0; i < 2000; ++i) {
        deep += "<div>";
    }
    WriteWork("2.html", "<h2>Two</h2>\n<div class=\"page\">\n" + deep + "deep</div>\n");
    WriteWork("3.html", "<h2>Three</h2>\n<div class=\"page\">\n<p>third</p></div>\n");
    job_.lastchapter = 3;
    job_.booktitle = "Deep";
    Build();

    const EpubFile epub(job_.epubfile);
    EXPECT_THAT(NavHeadings(epub), ElementsAre("Cover", "One", "Chapter 2", "Three"));
    EXPECT_THAT(epub.Entry("OEBPS/chapter-2.xhtml"),
                HasSubstr("The text of this chapter could not be converted: "));
    EXPECT_THAT(job_.unrendered, ElementsAre(2));
    // The failure line stays in the log; progress goes on below it.
    ASSERT_EQ(log_.events.size(), 6u);
    EXPECT_THAT(log_.events[3],
                ::testing::StartsWith("+chapter 2 could not be put into the EPUB: "));
    EXPECT_EQ(log_.events[4], "+process epub chapter 3");
}

// Both editions take a chapter from one cleaning: the PDF's outline shows the heading the
// EPUB lists, also where the markup before it is dropped, and also for a page from the
// render cache.
TEST_F(EpubEdition, ThePdfOutlineShowsTheHeadingsTheEpubLists) {
    WriteWork("1.html",
              "<noscript><h2>Hidden</h2></noscript>\n<h2>Shown</h2>\n<div class=\"page\">\n"
              "<p>first</p></div>\n");
    job_.lastchapter = 1;
    job_.booktitle = "Headings";
    job_.format = BookFormat::PdfAndEpub;
    job_.renderer = test::QuillrenderPath();
    job_.renderCache = base_.file("cache");
    Build();
    EXPECT_THAT(NavHeadings(EpubFile(job_.epubfile)), ElementsAre("Cover", "Shown"));

    const auto outline = [this] {
        const nlohmann::json pdf = test::QpdfJson(job_.bookfile, {"outlines"});
        std::vector<std::string> titles;
        for (const nlohmann::json& item : pdf.at("outlines")) {
            titles.push_back(item.at("title"));
        }
        return titles;
    };
    EXPECT_THAT(outline(), ElementsAre("Shown"));
    job_.format = BookFormat::Pdf;
    bool cached = false;
    job_.progress = [&cached](const BuildEvent& event) {
        if (const auto* page = std::get_if<build::PageRendering>(&event)) {
            cached = page->fromCache;
        }
    };
    BuildBook(job_, log_);
    EXPECT_TRUE(cached);
    EXPECT_THAT(outline(), ElementsAre("Shown"));
}

TEST_F(EpubEdition, ACancelledBuildSavesNothing) {
    for (int n = 1; n <= 3; ++n) {
        WriteWork(std::to_string(n) + ".html",
                  "<h2>C</h2>\n<div class=\"page\">\n<p>x</p></div>\n");
    }
    job_.lastchapter = 3;
    job_.booktitle = "Cancelled";
    int asked = 0;
    job_.cancelled = [&asked] { return ++asked == 2; };
    job_.epubfile = "earlier edition";
    EXPECT_THROW(BuildBook(job_, log_), Exception);
    EXPECT_EQ(job_.epubfile, "");
    EXPECT_THAT(test::ListDir(job_.datadir), ::testing::IsEmpty());
    EXPECT_EQ(log_.events.back(), "=process epub chapter 1");
}

// In a death test's child: builds with files limited to `limit` bytes, the limit's signal
// ignored so the write fails the way a full disk fails it; exits 3 on EWriteError.
void BuildUnderFileSizeLimit(BookJob& job, rlim_t limit) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit fsize{limit, limit};
    setrlimit(RLIMIT_FSIZE, &fsize);
    RecordingLog log;
    try {
        BuildBook(job, log);
    } catch (const EWriteError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        std::exit(3);
    }
    std::exit(0);
}

// A write that runs into a file-size limit (as a full disk would stop it) fails the build
// and leaves the earlier edition of the story exactly as it was.
TEST_F(EpubEdition, AFailedWriteLeavesTheEarlierEditionWhole) {
    std::string page;
    for (int i = 0; i < 400; ++i) {
        page += "<p>Paragraph " + std::to_string(i) + " of a long chapter, with words.</p>\n";
    }
    WriteWork("1.html", "<h2>Small</h2>\n<div class=\"page\">\n<p>x</p></div>\n");
    job_.lastchapter = 1;
    job_.booktitle = "Limits";
    job_.storyurl = "https://example.invalid/story/1";
    Build();
    const std::string earlier = test::ReadFile(job_.epubfile);
    for (int n = 1; n <= 30; ++n) {
        WriteWork(std::to_string(n) + ".html",
                  "<h2>Big</h2>\n<div class=\"page\">\n" + page + std::to_string(n) + "</div>\n");
    }
    job_.lastchapter = 30;

    EXPECT_EXIT(BuildUnderFileSizeLimit(job_, earlier.size() + 4096), ::testing::ExitedWithCode(3),
                "Cannot write file \".*/Limits.epub\"");
    EXPECT_EQ(test::ReadFile(job_.datadir + "/Limits.epub"), earlier);
    EXPECT_THAT(test::ListDir(job_.datadir), ElementsAre("Limits.epub"));
}

// In a death test's child: builds, and is killed outright while the book is being written.
void BuildAndGetKilled(BookJob& job) {
    job.cancelled = [] { return std::raise(SIGKILL) != 0; };
    RecordingLog log;
    BuildBook(job, log);
    std::exit(0);
}

TEST_F(EpubEdition, AKilledBuildLeavesTheEarlierEditionWhole) {
    WriteWork("1.html", "<h2>One</h2>\n<div class=\"page\">\n<p>x</p></div>\n");
    job_.lastchapter = 1;
    job_.booktitle = "Killed";
    Build();
    const std::string earlier = test::ReadFile(job_.epubfile);

    EXPECT_EXIT(BuildAndGetKilled(job_), ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(test::ReadFile(job_.datadir + "/Killed.epub"), earlier);
    for (const std::string& name : test::ListDir(job_.datadir)) {
        EXPECT_TRUE(name == "Killed.epub" || name.rfind("._Killed.epub.", 0) == 0)
            << "only hidden leftovers: " << name;
    }
    job_.cancelled = nullptr;
    Build();
    EXPECT_EQ(job_.epubfile, job_.datadir + "/Killed.epub");
}

}  // namespace
}  // namespace quill
