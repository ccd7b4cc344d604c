#pragma once

#include <functional>
#include <string>
#include <variant>

// What a book build reports as it goes, in order: the job's progress follows these events,
// and the build's log lines are made from them (BuildReport), so that nothing has to read
// progress back from the text it shows.
namespace quill {

enum class Edition { Pdf, Epub };

namespace build {

// An edition is begun: the PDF's pages are about to be rendered, or the EPUB written.
struct EditionStarted {
    Edition edition;
};
// Page `number` of the pages 0 .. last (0 is the cover page) is taken from the render cache,
// or handed to the engine.
struct PageRendering {
    int number;
    int last;
    bool fromCache;
};
// A page's cached copy failed its check and was dropped: the page is rendered again.
struct CachedCopyDropped {
    int number;
    std::string why;  // a sentence about the entry
};
// A page is left out of the PDF: it could not be rendered, or its pages not imported.
struct PageLeftOut {
    int number;
    std::string why;
};
// The rendered pages are being merged into the book.
struct Merging {};
// Page `number`'s PDF goes into the book at the zero-based page firstPage.
struct PageMerged {
    int number;
    int firstPage;
};
// Chapter `number`'s document of the EPUB is being written.
struct EpubChapter {
    int number;
};
// Chapter `number`'s text could not be converted for the EPUB; a note takes its place.
struct EpubChapterFailed {
    int number;
    std::string why;
};
// A picture chapter `number` shows cannot be put into the book; its alternative text stands
// in its place.
struct PictureLeftOut {
    int number;
    std::string picture;  // its source, as the chapter gives it
    std::string why;
};
// The edition holds what it must and is being written under its name.
struct Saving {
    Edition edition;
};
// The edition is saved at `path`.
struct EditionSaved {
    Edition edition;
    std::string path;
};

}  // namespace build

using BuildEvent = std::variant<build::EditionStarted, build::PageRendering,
                                build::CachedCopyDropped, build::PageLeftOut, build::Merging,
                                build::PageMerged, build::EpubChapter, build::EpubChapterFailed,
                                build::Saving, build::EditionSaved, build::PictureLeftOut>;

// Called for each event, on the build's thread.
using BuildProgress = std::function<void(const BuildEvent&)>;

}  // namespace quill
