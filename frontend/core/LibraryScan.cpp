// The library's first opening: the stories kept on disk before there was a library.
#include <dirent.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <regex>

#include "assembly/BookRecord.h"
#include "bookjob/ChapterRecord.h"
#include "common/Settings.h"
#include "common/SiteAddress.h"
#include "common/Text.h"
#include "core/BookInputs.h"
#include "core/StoryLibrary.h"

namespace quill {

namespace {

constexpr std::string_view kChapterEntry = ".chapter";

// The names in a folder with their kinds; nothing when it cannot be read. Links are
// neither followed nor taken.
std::vector<std::pair<std::string, mode_t>> Entries(const std::string& folder) {
    std::vector<std::pair<std::string, mode_t>> entries;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) {
        return entries;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        struct stat st {};
        if (name != "." && name != ".." && ::lstat((folder + "/" + name).c_str(), &st) == 0) {
            entries.emplace_back(name, st.st_mode);
        }
    }
    return entries;
}

// The store's folders named after a story number, each with its chapter entries.
void ScanStore(const std::string& store, const std::string& origin,
               std::map<uint64_t, LibraryStory>& stories) {
    for (const auto& [name, mode] : Entries(store)) {
        const std::optional<uint64_t> number = ParseStoryNumber(name);
        if (!number || !S_ISDIR(mode)) {
            continue;  // earlier versions' folders join their story on its next download
        }
        LibraryStory& story = stories[*number];
        story.number = *number;
        story.address = StoryKeyAddress(origin, *number);
        for (const auto& [entry, entryMode] : Entries(store + "/" + name)) {
            story.chaptersKept += S_ISREG(entryMode) && EndsWith(entry, kChapterEntry);
        }
    }
}

// "Tale (2).pdf" → "Tale": the book's name, which is its title as far as a file name
// could hold it.
std::string TitleOfFileName(const std::string& name) {
    static const std::regex kCopy(R"(^(.*?)(?: \([0-9]+\))?\.(?:pdf|epub)$)");
    std::smatch match;
    return std::regex_match(name, match, kCopy) ? match[1].str() : name;
}

void ScanBooks(const std::string& datadir, std::map<uint64_t, LibraryStory>& stories) {
    for (const auto& [name, mode] : Entries(datadir)) {
        const bool pdf = EndsWith(name, ".pdf"), epub = EndsWith(name, ".epub");
        if (!S_ISREG(mode) || (!pdf && !epub)) {
            continue;
        }
        const std::string path = datadir + name;
        const std::optional<std::string> recorded = RecordedStory(path);
        const std::optional<uint64_t> number = recorded ? StoryNumberIn(*recorded) : std::nullopt;
        const std::optional<FileStamp> stamp = StampOf(path);
        if (!number || !stamp) {
            continue;  // another program's book, or one that records no story's number
        }
        LibraryStory& story = stories[*number];
        const LibraryBook* earlier = story.Book(pdf ? "pdf" : "epub");
        if (earlier != nullptr && earlier->modifiedNs >= stamp->modifiedNs) {
            continue;  // the newer of two books of one story counts
        }
        const std::optional<std::vector<int>> chapters = RecordedChapters(path);
        LibraryBook book;
        book.format = pdf ? "pdf" : "epub";
        book.path = path;
        book.chapters = chapters ? FormatChapterList(*chapters) : "";
        book.size = stamp->size;
        book.modifiedNs = stamp->modifiedNs;
        story.number = *number;
        story.address = *recorded;
        if (story.title.empty()) {
            story.title = TitleOfFileName(name);
        }
        if (chapters) {
            story.chaptersKept = std::max(story.chaptersKept, static_cast<int>(chapters->size()));
        }
        const int64_t seconds = stamp->modifiedNs / 1000000000;
        story.lastUpdated = std::max(story.lastUpdated.value_or(0), seconds);
        story.PutBook(std::move(book));
    }
}

}  // namespace

std::vector<LibraryStory> ScanKeptStories(const JobFolders& folders) {
    std::map<uint64_t, LibraryStory> stories;
    const std::optional<SiteAddress> site = ReadSiteAddress(StorySiteUrl());
    if (!folders.store.empty() && site) {
        ScanStore(folders.store, site->origin, stories);
    }
    if (!folders.datadir.empty()) {
        ScanBooks(folders.datadir, stories);
    }
    std::vector<LibraryStory> found;
    for (auto& [number, story] : stories) {
        found.push_back(std::move(story));
    }
    return found;
}

std::unique_ptr<Library> OpenLibrary(const JobFolders& folders) {
    if (folders.library.empty()) {
        throw ELibraryError(folders.storeProblem.empty() ? "There is no place for the library."
                                                         : folders.storeProblem);
    }
    return std::make_unique<Library>(folders.library,
                                     [&folders] { return ScanKeptStories(folders); });
}

}  // namespace quill
