// The kind of book a reader chooses, as the finished PDF shows it: each page preset's
// paper with its cover page, numbers, labels and outline; lines that hold a reader's
// measure, justified and hyphenated or ragged; text sizes; dark pages; volumes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "assembly/BookBuilder.h"
#include "common/Paths.h"
#include "epub/EpubBook.h"
#include "pdf/BookFinish.h"
#include "support/PdfLayout.h"
#include "support/PdfProbe.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::Pair;
using namespace std::chrono_literals;

class SilentLog : public IWindowLog {
  public:
    void Log(const std::string&) override {}
    void UpdateLog(const std::string&) override {}
    void ProcessMessages() override {}
};

// English prose with many long words and no hyphen of its own, so that every hyphen at a
// line's end is one the book put there.
const char* const kWords[] = {"the",
                              "lighthouse",
                              "keeper",
                              "remembered",
                              "an",
                              "extraordinary",
                              "conversation",
                              "with",
                              "her",
                              "grandmother",
                              "about",
                              "the",
                              "unpredictable",
                              "temperament",
                              "of",
                              "northern",
                              "weather",
                              "and",
                              "she",
                              "considered",
                              "it",
                              "nevertheless",
                              "a",
                              "comfortable",
                              "responsibility",
                              "to",
                              "write",
                              "everything",
                              "down",
                              "in",
                              "beautifully",
                              "illuminated",
                              "notebooks",
                              "every",
                              "evening",
                              "while",
                              "passing",
                              "ships",
                              "acknowledged",
                              "the",
                              "signal",
                              "quietly"};

std::string Prose(int paragraphs, int seed) {
    std::string text;
    unsigned state = static_cast<unsigned>(seed) * 2654435761u + 1;
    for (int p = 0; p < paragraphs; ++p) {
        text += "<p>";
        const int length = 40 + (p * 29 + seed * 7) % 50;
        for (int w = 0; w < length; ++w) {
            state = state * 1103515245u + 12345u;
            text += std::string(w == 0 ? "" : " ") + kWords[(state >> 16) % std::size(kWords)];
        }
        text += ".</p>\n";
    }
    return text;
}

struct Measured {
    double bodyPoints = 0;                 // the line pitch over the line height of 1.4
    double charactersPerLine = 0;          // over the lines that run to the right edge
    double rightEdge = 0;                  // of the longest line
    double raggedness = 0;                 // how far the paragraphs' inner lines fall short of it
    std::vector<std::string> brokenWords;  // the words a hyphen at a line's end split
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Without the zero-width spaces the engine writes where a soft hyphen did not break.
std::string Visible(std::string text) {
    for (const std::string invisible : {"\xE2\x80\x8B", "\xC2\xAD"}) {
        for (size_t at; (at = text.find(invisible)) != std::string::npos;) {
            text.erase(at, invisible.size());
        }
    }
    return text;
}

size_t Characters(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The body text of the chapter pages (after the cover): paragraphs' lines, without the
// headings and what lies in the foot: the page numbers, and the first line of the next
// page, which the engine leaves there clipped from view (pdftotext still reads it).
Measured Measure(const std::string& pdf, PagePreset preset) {
    const double foot = GeometryOf(preset).bottomMm * 72 / 25.4;
    const std::vector<test::PdfLinePage> pages = test::PdfLines(pdf);
    std::vector<double> pitches, characters, shortfalls;
    Measured measured;
    std::vector<std::vector<test::PdfLine>> paragraphs;
    for (size_t p = 1; p < pages.size(); ++p) {
        int block = -2;
        for (const test::PdfLine& line : pages[p].lines) {
            const std::string text = Visible(line.text);
            if (text.rfind("Chapter", 0) == 0 || line.yMax > pages[p].height - foot) {
                continue;
            }
            if (line.block != block) {
                paragraphs.emplace_back();
                block = line.block;
            }
            // pdftotext cuts a line at a gap as wide as a justified short line may have.
            std::vector<test::PdfLine>& lines = paragraphs.back();
            if (!lines.empty() && std::abs(lines.back().yMin - line.yMin) < 0.5) {
                lines.back().xMax = std::max(lines.back().xMax, line.xMax);
                lines.back().text += " " + line.text;
            } else {
                lines.push_back(line);
            }
            measured.rightEdge = std::max(measured.rightEdge, line.xMax);
        }
    }
    for (const auto& lines : paragraphs) {
        for (size_t i = 0; i + 1 < lines.size(); ++i) {
            pitches.push_back(lines[i + 1].yMin - lines[i].yMin);
            const std::string text = Visible(lines[i].text);
            characters.push_back(static_cast<double>(Characters(text)));
            shortfalls.push_back(measured.rightEdge - lines[i].xMax);
            for (const std::string hyphen : {"\xE2\x80\x90", "-"}) {
                if (text.size() > hyphen.size() &&
                    text.compare(text.size() - hyphen.size(), hyphen.size(), hyphen) == 0) {
                    const std::string next = Visible(lines[i + 1].text);
                    const std::string start = text.substr(0, text.size() - hyphen.size());
                    std::string word =
                        start.substr(start.rfind(' ') + 1) + next.substr(0, next.find(' '));
                    word.erase(std::remove(word.begin(), word.end(), '.'), word.end());
                    measured.brokenWords.push_back(word);
                }
            }
        }
    }
    measured.bodyPoints = Median(pitches) / 1.4;
    measured.charactersPerLine = Median(characters);
    measured.raggedness =
        shortfalls.empty() ? 0 : *std::max_element(shortfalls.begin(), shortfalls.end());
    return measured;
}

class BookLook : public ::testing::Test {
  protected:
    BookLook() {
        job_.tmpdir = base_.path() + "/work";
        job_.datadir = base_.path() + "/data";
        fs::create_directory(job_.tmpdir);
        fs::create_directory(job_.datadir);
        job_.renderer = test::QuillrenderPath();
        job_.booklanguage = "en";
        // The cover page the window writes, with the simulator's cover picture.
        const fs::path sources =
            fs::path(test::StorySimScript()).parent_path().parent_path().parent_path();
        WriteWork("0.html", test::ReadFile(sources / "frontend/resources/coverimg.html"));
        WriteWork("cover.jpg",
                  test::ReadFile(fs::path(test::StorySimScript()).parent_path() / "cover.jpg"));
    }

    void WriteChapters(int count, int paragraphs) {
        for (int n = 1; n <= count; ++n) {
            WriteWork(std::to_string(n) + ".html", "<h2>Chapter " + std::to_string(n) +
                                                       "</h2>\n<div class=\"page\">\n" +
                                                       Prose(paragraphs, n) + "</div>\n");
        }
        job_.lastchapter = count;
    }
    void WriteWork(const std::string& name, const std::string& bytes) {
        test::WriteFile(JoinPath(job_.tmpdir, name), bytes);
    }
    // Builds the book under its own title and returns its path.
    std::string Build(const std::string& title) {
        job_.booktitle = title;
        BuildBook(job_, log_);
        return job_.bookfile;
    }

    test::TempDir base_{"book look"};
    BookJob job_;
    SilentLog log_;
};

// The outline's entries with the page each opens at.
std::vector<std::pair<std::string, int>> Outline(const nlohmann::json& pdf) {
    std::vector<std::pair<std::string, int>> outline;
    for (const nlohmann::json& item : pdf.at("outlines")) {
        outline.emplace_back(item.at("title"), item.at("destpageposfrom1"));
    }
    return outline;
}

// The printed number of a chapter page: its lowest word, centred on the page.
std::string FootNumber(const std::string& pdf, size_t page) {
    const test::PdfPage words = test::PdfWords(pdf).at(page);
    if (words.words.empty()) {
        return "";
    }
    const test::PdfWord& foot = *std::max_element(
        words.words.begin(), words.words.end(),
        [](const test::PdfWord& a, const test::PdfWord& b) { return a.yMax < b.yMax; });
    return std::abs((foot.xMin + foot.xMax) / 2 - words.width / 2) < 2 ? foot.text : "";
}

TEST_F(BookLook, EveryPresetHasItsPageACoverThatFitsAndNumberedLabelledPages) {
    WriteChapters(2, 4);
    const struct {
        PagePreset page;
        const char* size;  // as pdfinfo names it, in whole points
    } presets[] = {{PagePreset::A4, "595 x 842 pts (A4)"},
                   {PagePreset::Letter, "612 x 792 pts (letter)"},
                   {PagePreset::A5, "420 x 595 pts (A5)"},
                   {PagePreset::Ereader, "255 x 346 pts"},
                   {PagePreset::Phone, "176 x 312 pts"}};
    for (const auto& preset : presets) {
        SCOPED_TRACE(PagePresetName(preset.page));
        job_.choices.page = preset.page;
        const std::string book = Build(PagePresetName(preset.page));
        EXPECT_EQ(test::PdfInfo(book).at("Page size"), preset.size);

        // The cover page is one page, labelled "Cover"; the chapters count from 1.
        const nlohmann::json pdf = test::QpdfJson(book, {"outlines", "pagelabels"});
        const std::vector<std::pair<std::string, int>> outline = Outline(pdf);
        ASSERT_EQ(outline.size(), 3u);
        EXPECT_THAT(outline[0], Pair("Cover", 1));
        EXPECT_THAT(outline[1], Pair("Chapter 1", 2));
        ASSERT_EQ(pdf.at("pagelabels").size(), 2u);
        EXPECT_EQ(pdf.at("pagelabels")[0].at("label").at("/P"), "u:Cover");
        EXPECT_EQ(pdf.at("pagelabels")[1].at("index"), 1);

        // Every chapter page shows its number in the foot, and no text leaves the margins.
        const double side = GeometryOf(preset.page).sideMm * 72 / 25.4;
        const std::vector<test::PdfLinePage> pages = test::PdfLines(book);
        ASSERT_GT(pages.size(), 2u);
        for (size_t i = 1; i < pages.size(); ++i) {
            EXPECT_EQ(FootNumber(book, i), std::to_string(i)) << "page " << i + 1;
            for (const test::PdfLine& line : pages[i].lines) {
                EXPECT_GE(line.xMin, side - 1) << line.text;
                EXPECT_LE(line.xMax, pages[i].width - side + 1) << line.text;
            }
        }
    }
}

// On a 6-inch screen a line holds a reader's measure at every text size; the text is
// justified, and long words are broken where the dictionary allows.
TEST_F(BookLook, OnAnEreaderLinesHoldAReadersMeasureJustifiedAndHyphenated) {
    WriteChapters(1, 12);
    job_.choices.page = PagePreset::Ereader;
    std::set<std::string> vocabulary(std::begin(kWords), std::end(kWords));
    std::map<TextSize, Measured> sizes;
    for (const TextSize size : {TextSize::Small, TextSize::Medium, TextSize::Large}) {
        SCOPED_TRACE(TextSizeName(size));
        job_.choices.text = size;
        const Measured measured = Measure(Build(TextSizeName(size)), PagePreset::Ereader);
        EXPECT_GE(measured.charactersPerLine, 35);
        EXPECT_LE(measured.charactersPerLine, 55);
        // Justified: every line but a paragraph's last reaches the right edge.
        EXPECT_LT(measured.raggedness, 1.0);
        EXPECT_GE(measured.brokenWords.size(), 3u);
        for (const std::string& word : measured.brokenWords) {
            EXPECT_EQ(vocabulary.count(word), 1u) << word << " is no word of the text";
        }
        sizes[size] = measured;
    }
    EXPECT_NEAR(sizes[TextSize::Medium].bodyPoints, GeometryOf(PagePreset::Ereader).bodyPoints,
                0.4);
    EXPECT_GE(sizes[TextSize::Large].bodyPoints, 1.15 * sizes[TextSize::Medium].bodyPoints);
    EXPECT_LT(sizes[TextSize::Small].bodyPoints, sizes[TextSize::Medium].bodyPoints);

    // Ragged right: lines end where their last word does, and no word is broken.
    job_.choices.text = TextSize::Medium;
    job_.choices.ragged = true;
    const Measured ragged = Measure(Build("ragged"), PagePreset::Ereader);
    EXPECT_GT(ragged.raggedness, 10);
    EXPECT_THAT(ragged.brokenWords, ::testing::IsEmpty());
}

TEST_F(BookLook, DarkPagesAreDarkToTheirEdgesAndTheCoverPageIsNot) {
    WriteChapters(1, 3);
    job_.choices.page = PagePreset::Phone;
    job_.choices.dark = true;
    const std::string book = Build("dark");
    EXPECT_LT(test::MeanGrey(book, 2), 50);
    EXPECT_GT(test::MeanGrey(book, 1), 120);
    // The text itself stays readable: light on the dark page.
    EXPECT_GT(Measure(book, PagePreset::Phone).charactersPerLine, 20);
}

TEST_F(BookLook, VolumesAreBooksOfTheirOwnWithTheirCoverOutlineAndNumbers) {
    WriteChapters(5, 2);
    job_.choices.volumeChapters = 2;
    job_.format = BookFormat::PdfAndEpub;
    job_.storyurl = "https://www.quillby.com/story/77";
    job_.booktitle = "Long Tale";
    BuildBook(job_, log_);

    const std::vector<std::string> names = {"Long Tale — Volume 1 (chapters 1–2)",
                                            "Long Tale — Volume 2 (chapters 3–4)",
                                            "Long Tale — Volume 3 (chapter 5)"};
    std::vector<std::string> saved;
    for (const SavedBook& book : job_.saved) {
        saved.push_back(fs::u8path(book.path).filename().u8string());
    }
    EXPECT_THAT(saved, ElementsAre(names[0] + ".pdf", names[1] + ".pdf", names[2] + ".pdf",
                                   names[0] + ".epub", names[1] + ".epub", names[2] + ".epub"));
    EXPECT_EQ(job_.bookfile, job_.saved.front().path);
    const std::vector<std::vector<std::pair<std::string, int>>> outlines = {
        {{"Cover", 1}, {"Chapter 1", 2}, {"Chapter 2", 3}},
        {{"Cover", 1}, {"Chapter 3", 2}, {"Chapter 4", 3}},
        {{"Cover", 1}, {"Chapter 5", 2}}};
    const std::vector<std::string> held = {"u:1-2", "u:3-4", "u:5"};
    for (size_t v = 0; v < names.size(); ++v) {
        SCOPED_TRACE(names[v]);
        const std::string pdf = JoinPath(job_.datadir, names[v] + ".pdf");
        const nlohmann::json description = test::QpdfJson(pdf, {"outlines", "pagelabels", "qpdf"});
        EXPECT_EQ(Outline(description), outlines[v]);
        EXPECT_EQ(description.at("pagelabels")[1].at("index"), 1);
        EXPECT_EQ(description.at("pagelabels")[1].at("label").at("/St"), 1);
        EXPECT_EQ(FootNumber(pdf, 1), "1");
        const nlohmann::json trailer = test::QpdfObject(description, "trailer");
        EXPECT_EQ(test::QpdfObject(description, trailer.at("/Info")).at("/QuillbyChapters"),
                  held[v]);
        EXPECT_EQ(test::PdfInfo(pdf).at("Title"), "Long Tale — Volume " + std::to_string(v + 1));
        EXPECT_EQ(ReadStoryOfBook(pdf), job_.storyurl);
    }
    // The EPUB splits the same way, each volume a book a reading system tells apart.
    EXPECT_EQ(ChaptersOfEpub(JoinPath(job_.datadir, names[1] + ".epub")), (std::vector<int>{3, 4}));
    const test::RunResult check = test::Run(
        {"java", "-jar", QUILLBY_EPUBCHECK_JAR, JoinPath(job_.datadir, names[1] + ".epub")}, {},
        120s);
    EXPECT_TRUE(check.succeeded()) << check.Describe();
}

}  // namespace
}  // namespace quill
