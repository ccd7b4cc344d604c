// The EPUB edition: the same story as the PDF book, as reflowable text for phones and
// e-readers, built straight from the chapter files (no rendering).
#include "epub/EpubBook.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "EpubChapters.h"
#include "EpubDocuments.h"
#include "EpubText.h"
#include "ZipWriter.h"
#include "common/Errors.h"
#include "common/LanguageTag.h"
#include "common/Paths.h"
#include "platform/AtomicFile.h"
#include "platform/Memory.h"

namespace quill {

namespace {

using epub::BookMetadata;
using Compression = ZipWriter::Compression;

BookMetadata Describe(const BookJob& job, std::time_t now) {
    BookMetadata book;
    // Each volume is a book of its own to a reading system.
    const std::string volume = job.volume > 0 ? "#volume-" + std::to_string(job.volume) : "";
    book.identifier = epub::StoryIdentifier(job.storyurl.empty() ? "" : job.storyurl + volume,
                                            job.booktitle + volume, job.bookauthor);
    book.title = epub::Label(job.booktitle, "Untitled") +
                 VolumeTitleSuffix({job.volume, job.firstchapter, job.lastchapter});
    book.author = epub::Label(job.bookauthor, "");
    book.language = epub::LanguageTag(job.booklanguage);
    book.rightToLeft = IsRightToLeftLanguage(book.language);
    book.source = epub::Label(job.storyurl, "");
    book.modified = epub::W3cTime(now);
    book.cover = epub::FindCoverPicture(JoinPath(job.tmpdir, "cover.jpg"));
    return book;
}

// What a complete EPUB would hold and this one lacks: the chapters the download left out
// and those whose text could not be converted.
std::vector<int> LeftOut(const BookJob& job, const epub::EpubChapters& chapters) {
    std::vector<int> leftOut = job.notDownloaded;
    const std::vector<int> converted = chapters.Converted();
    for (const int number : chapters.Numbers()) {
        if (!std::binary_search(converted.begin(), converted.end(), number)) {
            InsertChapter(leftOut, number);
        }
    }
    return leftOut;
}

// Every entry of the book, in the order they are written. "mimetype" comes first and
// uncompressed, so that the file can be recognised by its first bytes; pictures are
// compressed already. The tables of contents and the package come after the chapters:
// those list their headings and this records which kept their text, and the chapters are
// read only while being written.
void AddEntries(ZipWriter& zip, const BookMetadata& book, epub::EpubChapters& chapters) {
    const std::string folder = epub::kContentFolder;
    zip.AddText("mimetype", Compression::Stored, "application/epub+zip");
    zip.AddText("META-INF/container.xml", Compression::Deflated, epub::ContainerXml());
    zip.AddText(folder + "style.css", Compression::Deflated, epub::StyleSheet());
    if (book.cover) {
        zip.AddFile(folder + book.cover->fileName, Compression::Stored, book.cover->path);
    }
    for (const epub::ContentPicture& picture : book.pictures) {
        zip.AddFile(folder + picture.fileName, Compression::Stored, picture.path);
    }
    zip.AddText(folder + "cover.xhtml", Compression::Deflated, epub::CoverPage(book));
    for (size_t i = 0; i < chapters.Numbers().size(); ++i) {
        zip.Add(folder + epub::ChapterFileName(chapters.Numbers()[i]), Compression::Deflated,
                [&chapters, i] { return chapters.Document(i); });
    }
    zip.Add(folder + "nav.xhtml", Compression::Deflated,
            [&] { return epub::NavDocument(book, chapters.Entries()); });
    zip.Add(folder + "toc.ncx", Compression::Deflated,
            [&] { return epub::NcxDocument(book, chapters.Entries()); });
    zip.Add(epub::kPackagePath, Compression::Deflated, [&] {
        chapters.Entries();  // every chapter converted, or noted as not
        return epub::PackageDocument(book, chapters.Numbers(), chapters.Converted());
    });
}

std::string EmptyEpub(const std::string& why) {
    return "No chapter could be put into the EPUB, so it was not saved: " + why + ".";
}

}  // namespace

StagedEdition StageEpub(BookJob& job, const std::string& path, CleanedChapters& cleaned,
                        BuildReport& report) {
    job.epubfile.clear();
    // libzip sets up a fresh compressor, with tables of 128 KB each, for every entry;
    // measured on 1000 chapters this halves the build's CPU time.
    platform::KeepFreedHeapForReuse();
    platform::ServeBlocksFromHeapUpTo(1 << 20);
    const std::time_t now = std::time(nullptr);
    BookMetadata book = Describe(job, now);
    epub::EpubChapters chapters(job, book, cleaned, report);
    if (chapters.Numbers().empty()) {
        throw EEmptyBook(EmptyEpub("the work folder holds no chapter file"));
    }
    book.pictures = epub::PicturesOfBook(cleaned, job.tmpdir, chapters.Numbers());

    StagedEdition staged;
    staged.edition = Edition::Epub;
    staged.path = path;
    staged.file = std::make_unique<platform::AtomicFile>(path);
    if (!staged.file->Open()) {
        throw EFCreateError(path, std::strerror(staged.file->ErrorCode()));
    }
    ZipWriter zip(staged.file->TempPath(), path, now);
    AddEntries(zip, book, chapters);
    zip.Close();
    if (chapters.Converted().empty()) {
        throw EEmptyBook(EmptyEpub("no chapter's text could be converted"));
    }
    if (!staged.file->SyncContents()) {
        throw EWriteError(path, std::strerror(staged.file->ErrorCode()));
    }
    staged.held = chapters.Converted();
    staged.leftOut = LeftOut(job, chapters);
    staged.chaptersOf = &ChaptersOfEpub;
    return staged;
}

}  // namespace quill
