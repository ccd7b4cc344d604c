// Each chapter of a build cleaned once, for both editions and the outline.
#include "cleaning/CleanedChapters.h"

#include <utility>

#include "ChapterHeading.h"
#include "ScriptRuns.h"
#include "TextDirection.h"
#include "common/AtomicWrite.h"
#include "common/Errors.h"
#include "common/FileBytes.h"
#include "common/LanguageTag.h"
#include "common/Paths.h"
#include "common/Text.h"

namespace quill {

std::string RenderedCopyHead(const std::string& language) {
    std::string head = "<html";
    if (const std::optional<std::string> tag = WellFormedLanguageTag(language)) {
        head += " lang=\"" + *tag + "\"";
        if (IsRightToLeftLanguage(*tag)) {
            head += " dir=\"rtl\"";
        }
    }
    return head + "><head><meta charset=\"utf-8\"><title></title></head><body>\n";
}

CleanedChapters::CleanedChapters(std::string workFolder, bool renderedCopies, std::string language,
                                 const std::string& hyphenation, BookPictures* pictures,
                                 PictureNote note)
    : prefix_(IncludeTrailingSeparator(workFolder)),
      renderedCopies_(renderedCopies),
      language_(std::move(language)),
      hyphens_(hyphenation),
      pictures_(pictures),
      note_(std::move(note)) {}

std::string CleanedChapters::ChapterFile(int n) const {
    return prefix_ + std::to_string(n) + ".html";
}

namespace {

constexpr std::string_view kCopyStart = ".render-", kCopyEnd = ".html";

}  // namespace

std::string CleanedChapters::CopyFile(int n) const {
    return prefix_ + std::string(kCopyStart) + std::to_string(n) + std::string(kCopyEnd);
}

bool CleanedChapters::IsRenderedCopyName(std::string_view name) {
    return name.size() > kCopyStart.size() + kCopyEnd.size() && StartsWith(name, kCopyStart) &&
           EndsWith(name, kCopyEnd) &&
           IsDecimalDigits(
               name.substr(kCopyStart.size(), name.size() - kCopyStart.size() - kCopyEnd.size()));
}

ChapterMarkup CleanedChapters::Read(int n, Chapter& chapter) {
    if (chapter.failure) {
        std::rethrow_exception(chapter.failure);
    }
    chapter.cleaned = true;
    try {
        ChapterMarkup markup = CleanFile(n);
        markup.xhtml = markup::WithDirections(markup.xhtml, IsRightToLeftLanguage(language_));
        chapter.heading = markup.heading;
        return markup;
    } catch (const Exception&) {
        chapter.heading = "";
        chapter.failure = std::current_exception();
        throw;
    }
}

// A chapter's copy is made again by the next build; the disk need not be waited for.
void CleanedChapters::WriteCopy(int n, const ChapterMarkup& markup, Chapter& chapter) {
    std::string document = RenderedCopyHead(language_);
    document += markup::WithScriptSpans(hyphens_.Insert(markup.xhtml));
    document += kRenderedCopyTail;
    WriteFileAtomic(CopyFile(n), document, platform::Durability::Scratch);
    chapter.copied = true;
}

ChapterMarkup CleanedChapters::Clean(int n) {
    Chapter& chapter = chapters_[n];
    ChapterMarkup markup = Read(n, chapter);
    if (renderedCopies_) {
        WriteCopy(n, markup, chapter);
    }
    return markup;
}

CleanedChapters::Copy CleanedChapters::RenderedCopy(int n) {
    Chapter& chapter = chapters_[n];
    if (!chapter.copied) {
        ChapterMarkup markup;
        try {
            markup = Read(n, chapter);
        } catch (const Exception& e) {
            return {"", e.what()};
        }
        WriteCopy(n, markup, chapter);
    }
    return {CopyFile(n), ""};
}

std::string CleanedChapters::Heading(int n) {
    Chapter& chapter = chapters_[n];
    if (!chapter.heading) {
        chapter.heading = ReadChapterHeading(ChapterFile(n));
    }
    // A first heading that the cleaning drops (inside a noscript, say) is not the chapter's:
    // only the whole chapter tells, as it does for a chapter cleaned for an edition.
    if (chapter.heading->empty() && !chapter.cleaned) {
        try {
            Read(n, chapter);
        } catch (const Exception&) {
            // Untitled: the chapter's page shows no heading either.
        }
    }
    return *chapter.heading;
}

}  // namespace quill
