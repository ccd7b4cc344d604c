#pragma once

#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/ChapterMarkup.h"
#include "cleaning/SoftHyphens.h"
#include "common/PictureList.h"
#include "pictures/BookPictures.h"

namespace quill {

// The document a rendered copy is: the cleaned chapter inside these. No document type:
// chapters have always been laid out in the engine's quirks mode, and the book keeps its
// look. The story's language goes on the root (the style sheet picks Han glyph forms by
// it), and a right-to-left story's direction.
std::string RenderedCopyHead(const std::string& language);
constexpr std::string_view kRenderedCopyTail = "</body></html>\n";

// The chapter files of one build's work folder, each read and cleaned at most once for all
// that needs it: the EPUB takes a chapter's markup, the render worker a rendered copy
// written from it into the work folder (".render-N.html", the only place the engine may
// read), and the outline its heading. A chapter that cannot be read or cleaned fails the
// same way for each of them.
class CleanedChapters {
  public:
    // Told of a picture a chapter's list names that the book cannot show, and why.
    using PictureNote =
        std::function<void(int chapter, const std::string& src, const std::string& why)>;

    // renderedCopies: every chapter cleaned gets its rendered copy at once, for a PDF that is
    // rendered after the EPUB. language: the story's tag (BookLanguage); every block takes
    // its direction from its own text, and a right-to-left story's headings run right to
    // left (see WithDirections). hyphenation: the language whose soft hyphens the rendered
    // copies get (SoftHyphens); empty for none. pictures: a chapter with a list of pictures
    // (PictureListName) shows them, made fit by these; without, every chapter is text only.
    CleanedChapters(std::string workFolder, bool renderedCopies, std::string language = "",
                    const std::string& hyphenation = "", BookPictures* pictures = nullptr,
                    PictureNote note = {});

    // Chapter n's cleaned markup, for the caller to keep. Throws what reading or cleaning it
    // threw (EConvertError for markup that cannot be read whole), and EFCreateError or
    // EWriteError when its rendered copy cannot be written.
    ChapterMarkup Clean(int n);

    // Whether a file name of the work folder is a chapter's rendered copy (".render-N.html").
    static bool IsRenderedCopyName(std::string_view name);

    struct Copy {
        std::string path;  // the rendered copy; empty when the chapter cannot be cleaned
        std::string why;   // then why
    };
    // Chapter n's rendered copy, written now when it was not yet. Throws EFCreateError or
    // EWriteError when it cannot be written.
    Copy RenderedCopy(int n);

    // The pictures chapter n shows, made fit for the book; none without pictures. Throws
    // EFCreateError or EWriteError when a picture's copy cannot be written.
    std::vector<BookPicture> Pictures(int n);

    // Chapter n's heading, as its cleaning found it. A chapter nothing else needed is cleaned
    // whole for it only when the heading at its beginning does not tell. Empty when it has
    // none or cannot be read.
    std::string Heading(int n);

    // What shapes a rendered copy besides its chapter: the soft hyphens' rule, language and
    // dictionary ("none" without).
    const std::string& RenderedCopyIdentity() const { return hyphens_.Identity(); }

  private:
    struct Chapter {
        bool cleaned = false;                // cleaned whole, or failed to be
        bool copied = false;                 // its rendered copy is in the work folder
        std::optional<std::string> heading;  // known once it is cleaned or read for it
        std::exception_ptr failure;          // why it cannot be cleaned
    };

    ChapterMarkup Read(int n, Chapter& chapter);
    ChapterMarkup CleanFile(int n);
    PictureLookup LookupFor(int n, std::vector<PictureLink> links);
    void WriteCopy(int n, const ChapterMarkup& markup, Chapter& chapter);
    std::string ChapterFile(int n) const;
    std::string CopyFile(int n) const;

    std::string prefix_;
    bool renderedCopies_;
    std::string language_;
    SoftHyphens hyphens_;
    BookPictures* pictures_;
    PictureNote note_;
    std::map<int, Chapter> chapters_;
};

}  // namespace quill
