// Throughput of the downloader's document layer on generated story-site pages, with
// libxml2's bare parse of the same bytes as the peer our own work is measured against.
// compare.py runs this next to BeautifulSoup and prints the ratios.
//
//   html_bench generate DIR           write the benchmark pages into DIR
//   html_bench work FILE              one full pass over FILE; prints CPU seconds and outcome
//   html_bench bare FILE              libxml2's parse of FILE alone (for its peak memory)
//   html_bench --pages=DIR [--benchmark_...]   the Google Benchmark runs

#include <benchmark/benchmark.h>
#include <libxml/HTMLparser.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <unordered_set>
#include <vector>

#include "PageGenerator.h"
#include "downloader/Limits.h"
#include "downloader/Pages.h"
#include "web/Errors.h"
#include "web/Html.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::string text(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

// What the downloader does with a page, read as each kind of page it fetches (a story page,
// a chapter's first view, a chapter page), whichever it turns out to be. The sizes are
// summed so that nothing can be optimised away; `read` names what could be read, and what
// stopped at one of the downloader's bounds.
size_t DownloaderWork(std::string_view page, std::string* read = nullptr) {
    const gsweb::Document document = gsweb::Document::Parse(page);
    const std::string url = "https://www.quillby.com/story/881-the-glass-orchard";
    size_t sink = 0;
    const auto attempt = [&](const char* what, auto&& reading) {
        std::string note;
        try {
            sink += reading();
            note = what;
        } catch (const quill::DownloadError& failure) {
            // Not this kind of page, or over a bound; the work was done all the same.
            const std::string message = failure.what();
            if (message.find(" than ") != std::string::npos) {
                note = std::string(what) + " stopped (" + message.substr(0, 40) + "...)";
            }
        }
        if (read != nullptr && !note.empty()) {
            *read += (read->empty() ? "" : ", ") + note;
        }
    };
    attempt("story page", [&] {
        const quill::StoryPage story = quill::ReadStoryPage(document, url);
        return story.meta.title.size() + story.entries.size();
    });
    attempt("first view", [&] { return quill::ReadFirstView(document, url).heading.size(); });
    attempt("page text",
            [&] { return quill::ReadPageText(document, url, quill::kMaxChapterBytes).size(); });
    return sink;
}

// The same options Document::Parse gives libxml2, so the difference is our own work.
void BareLibxml2Parse(const std::string& page) {
    constexpr int kOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                             HTML_PARSE_NOWARNING | HTML_PARSE_NODEFDTD | HTML_PARSE_IGNORE_ENC;
    htmlDocPtr doc =
        htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "UTF-8", kOptions);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
}

int Generate(const std::string& dir) {
    WriteFile(dir + "/story.html", bench::StoryPage(2 * 1024 * 1024));
    WriteFile(dir + "/chapter.html", bench::ChapterPage(200 * 1024));
    WriteFile(dir + "/unclosed.html", bench::UnclosedTagsPage(3 * 1024 * 1024));
    WriteFile(dir + "/deep.html", bench::DeepPage(200000));
    WriteFile(dir + "/empty.html", "");
    constexpr size_t kLargestPage = 8u << 20;  // the downloader's limit for one page
    WriteFile(dir + "/story8.html", bench::StoryPage(kLargestPage));
    WriteFile(dir + "/chapter8.html", bench::ChapterPage(kLargestPage));
    WriteFile(dir + "/plain8.html", bench::PlainTextPage(kLargestPage));
    WriteFile(dir + "/unclosed8.html", bench::UnclosedTagsPage(kLargestPage));
    WriteFile(dir + "/empties8.html", bench::ManyEmptyElementsPage(kLargestPage));
    WriteFile(dir + "/attributes8.html", bench::ManyAttributesPage(kLargestPage));
    WriteFile(dir + "/formatting8.html", bench::DeepFormattingPage(kLargestPage));
    WriteFile(dir + "/breaks8.html", bench::IndentedBreaksPage(kLargestPage));
    WriteFile(dir + "/links8.html", bench::NestedLinksStoryPage(kLargestPage));
    return 0;
}

// libxml2's parse alone, for the memory the tree itself needs.
int BareOnce(const std::string& file) {
    const std::string page = ReadFile(file);
    BareLibxml2Parse(page);
    return 0;
}

int WorkOnce(const std::string& file) {
    const std::string page = ReadFile(file);
    // CPU time: the machine is shared, and wall-clock time would mostly measure the others.
    const std::clock_t start = std::clock();
    std::string outcome;
    try {
        std::string read;
        DownloaderWork(page, &read);
        outcome = "ok: " + (read.empty() ? "none of the three kinds" : read);
    } catch (const std::exception& error) {
        outcome = std::string("error ") + error.what();
    }
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    std::printf("%.6f %s\n", seconds, outcome.c_str());
    return 0;
}

void Register(const std::string& dir, const std::string& name) {
    const auto page = std::make_shared<std::string>(ReadFile(dir + "/" + name + ".html"));
    const auto add = [&](const std::string& kind, void (*body)(const std::string&)) {
        benchmark::RegisterBenchmark((kind + "/" + name).c_str(), [page,
                                                                   body](benchmark::State& state) {
            for (auto _ : state) {
                body(*page);
            }
            state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page->size()));
        })->Unit(benchmark::kMillisecond);
    };
    add("libxml2_parse", BareLibxml2Parse);
    add("parse", [](const std::string& p) { benchmark::DoNotOptimize(gsweb::Document::Parse(p)); });
    add("full", [](const std::string& p) { benchmark::DoNotOptimize(DownloaderWork(p)); });
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::strcmp(argv[1], "generate") == 0) {
            return Generate(argv[2]);
        }
        if (argc == 3 && std::strcmp(argv[1], "work") == 0) {
            return WorkOnce(argv[2]);
        }
        if (argc == 3 && std::strcmp(argv[1], "bare") == 0) {
            return BareOnce(argv[2]);
        }
        std::string pages = ".";
        std::vector<char*> rest;
        for (int i = 0; i < argc; ++i) {
            if (std::strncmp(argv[i], "--pages=", 8) == 0) {
                pages = argv[i] + 8;
            } else {
                rest.push_back(argv[i]);
            }
        }
        Register(pages, "story");
        Register(pages, "chapter");
        int restCount = static_cast<int>(rest.size());
        benchmark::Initialize(&restCount, rest.data());
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "html_bench: " << error.what() << "\n";
        return 1;
    }
}
