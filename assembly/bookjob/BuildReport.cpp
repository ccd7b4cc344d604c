// The window-log lines of a book build, made from its events.
#include "bookjob/BuildReport.h"

#include <type_traits>
#include <utility>
#include <vector>

namespace quill {

namespace {

struct Line {
    enum class Kind {
        Heading,   // a stage begins; the first progress line replaces it
        Progress,  // replaces a heading or the previous progress line
        Note,      // stays in view
    };
    Kind kind;
    std::string text;
};

std::string PageName(int number) {
    return number == 0 ? "the cover page" : "chapter " + std::to_string(number);
}

std::string EditionName(Edition edition) {
    return edition == Edition::Pdf ? "pdf" : "epub";
}

std::vector<Line> LinesOf(const BuildEvent& event) {
    using K = Line::Kind;
    return std::visit(
        [](const auto& e) -> std::vector<Line> {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, build::EditionStarted>) {
                // The PDF's part begins with two empty lines; the pages rewrite the second.
                if (e.edition == Edition::Pdf) {
                    return {{K::Note, ""}, {K::Heading, ""}};
                }
                return {{K::Heading, "building epub ...."}};
            } else if constexpr (std::is_same_v<E, build::PageRendering>) {
                return {{K::Progress, "process html pdf " + std::to_string(e.number)}};
            } else if constexpr (std::is_same_v<E, build::CachedCopyDropped>) {
                return {{K::Note, PageName(e.number) +
                                      " is rendered again, as its cached copy cannot be used. " +
                                      e.why}};
            } else if constexpr (std::is_same_v<E, build::PageLeftOut>) {
                return {{K::Note, PageName(e.number) + " left out of the book: " + e.why}};
            } else if constexpr (std::is_same_v<E, build::Merging>) {
                return {{K::Heading, "building book ...."}};
            } else if constexpr (std::is_same_v<E, build::PageMerged>) {
                return {{K::Progress, "process pdf file " + std::to_string(e.number) + " page " +
                                          std::to_string(e.firstPage)}};
            } else if constexpr (std::is_same_v<E, build::EpubChapter>) {
                return {{K::Progress, "process epub chapter " + std::to_string(e.number)}};
            } else if constexpr (std::is_same_v<E, build::EpubChapterFailed>) {
                return {{K::Note, "chapter " + std::to_string(e.number) +
                                      " could not be put into the EPUB: " + e.why}};
            } else if constexpr (std::is_same_v<E, build::PictureLeftOut>) {
                return {{K::Note, "A picture of chapter " + std::to_string(e.number) + " (" +
                                      e.picture + ") cannot be shown in the book: " + e.why + "."}};
            } else if constexpr (std::is_same_v<E, build::Saving>) {
                return {};
            } else {
                static_assert(std::is_same_v<E, build::EditionSaved>);
                return {{K::Note, "save " + EditionName(e.edition) + " file " + e.path}};
            }
        },
        event);
}

}  // namespace

BuildReport::BuildReport(IWindowLog& log, BuildProgress progress)
    : log_(log), progress_(std::move(progress)) {}

void BuildReport::Report(const BuildEvent& event) {
    if (progress_) {
        progress_(event);
    }
    for (const Line& line : LinesOf(event)) {
        if (line.kind == Line::Kind::Progress && replaceable_) {
            log_.UpdateLog(line.text);
        } else {
            log_.Log(line.text);
        }
        replaceable_ = line.kind != Line::Kind::Note;
    }
}

}  // namespace quill
