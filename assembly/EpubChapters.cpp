#include "EpubChapters.h"

#include <cerrno>
#include <cstring>

#include "EpubText.h"
#include "assembly/ChapterMarkup.h"
#include "common/Errors.h"
#include "common/File.h"
#include "common/Paths.h"

namespace quill::epub {

namespace {

[[noreturn]] void ThrowReadError(const std::string& path) {
    const int code = errno;
    throw EOSError(code, "Cannot read chapter file \"" + path + "\". " + std::strerror(code));
}

std::string ReadChapterFile(const std::string& path) {
    const UniqueFile file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        ThrowReadError(path);
    }
    std::string bytes;
    char buffer[64 * 1024];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.append(buffer, count);
    }
    if (std::ferror(file.get())) {
        ThrowReadError(path);
    }
    return bytes;
}

}  // namespace

EpubChapters::EpubChapters(const BookJob& job, const BookMetadata& book, IWindowLog& log)
    : job_(job), book_(book), log_(log) {
    const std::string prefix = IncludeTrailingSeparator(job.tmpdir);
    // Wide enough that the loop ends even for the largest chapter number.
    for (long long n = 1; n <= job.lastchapter; ++n) {
        if (FileExists(prefix + std::to_string(n) + ".html")) {
            numbers_.push_back(static_cast<int>(n));
        }
    }
    headings_.resize(numbers_.size());
    known_.resize(numbers_.size());
}

std::string EpubChapters::Clean(size_t index, std::string* fragment) {
    const int number = numbers_[index];
    const std::string path =
        IncludeTrailingSeparator(job_.tmpdir) + std::to_string(number) + ".html";
    ChapterMarkup markup = CleanChapter(ReadChapterFile(path));
    headings_[index] = Label(markup.heading, "Chapter " + std::to_string(number));
    known_[index] = true;
    if (fragment != nullptr) {
        *fragment = std::move(markup.xhtml);
    }
    return headings_[index];
}

std::string EpubChapters::Document(size_t index) {
    log_.ProcessMessages();
    if (job_.cancelled && job_.cancelled()) {
        throw Exception("The EPUB was not saved: the build was cancelled");
    }
    const int number = numbers_[index];
    log_.UpdateLog("process epub chapter " + std::to_string(number));
    std::string fragment;
    const std::string heading = Clean(index, &fragment);
    return ChapterDocument(book_, ChapterEntry{number, heading}, fragment);
}

std::vector<ChapterEntry> EpubChapters::Entries() {
    std::vector<ChapterEntry> entries;
    entries.reserve(numbers_.size());
    for (size_t i = 0; i < numbers_.size(); ++i) {
        entries.push_back({numbers_[i], known_[i] ? headings_[i] : Clean(i, nullptr)});
    }
    return entries;
}

}  // namespace quill::epub
