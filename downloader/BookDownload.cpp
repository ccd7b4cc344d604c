#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <iostream>
#include <thread>

#include "Cover.h"
#include "common/AtomicWrite.h"
#include "common/Paths.h"
#include "downloader/ChapterStore.h"
#include "downloader/Config.h"
#include "downloader/Pages.h"
#include "downloader/QuillObj.h"
#include "downloader/RunLog.h"
#include "downloader/Text.h"
#include "downloader/Utils.h"
#include "web/Errors.h"
#include "web/Failure.h"
#include "web/Url.h"
#include "web/Web.h"

namespace quill {

namespace {

std::string BookFileName(const std::string& title) {
    std::string name = title;
    for (const char c : std::string("\\/:*?\"<>|^")) {
        name.erase(std::remove(name.begin(), name.end(), c), name.end());
    }
    name.erase(0, name.find_first_not_of('.'));
    return name;
}

void RemoveStaleBook(const std::string& folder, const std::string& name,
                     const std::string& author) {
    const std::string path = JoinPath(folder, name + " - " + author + ".epub");
    if (FileExists(path) && std::remove(path.c_str()) != 0) {
        throw OSError("cannot remove " + path);
    }
}

bool IsAuthorsNote(const std::string& title) {
    std::string upper = title;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper == "A-N";
}

// The chapter's address: the link resolved against the story page's own address. Only the
// story's own site is read; a link elsewhere is refused rather than fetched.
std::string ChapterAddress(const std::string& storyUrl, const TocEntry& entry) {
    if (!entry.href) {
        throw KeyError("element <a> has no attribute \"href\"");
    }
    const std::string address = gsweb::ResolveUrl(storyUrl, *entry.href);
    const std::string site = gsweb::Origin(storyUrl);
    if (gsweb::Origin(address) != site) {
        throw ValueError("the chapter link " + address + " leads away from the story's site " +
                         site);
    }
    return address;
}

void ReportFailure(const std::exception& failure) {
    const std::string description = DescribeFailure(failure);
    runlog::error("error ontimer", description);
    std::cout << description << std::endl;
}

// One job's way through the table of contents.
class ChapterRun {
  public:
    ChapterRun(QuillObj& book, const std::string& storyUrl, const ChapterStore* kept)
        : book_(book), storyUrl_(storyUrl), kept_(kept) {}

    // Downloads entry `i` of `num`, or writes its saved copy; failures pass to the caller.
    void Entry(int i, int num, const TocEntry& entry) {
        const std::string title = ReplaceAll(Strip(entry.text), "/", "-");
        if (IsAuthorsNote(title)) {
            return;
        }
        const std::string counted = std::to_string(i) + " / " + std::to_string(num) + ": " + title;
        std::cout << EscapedBytes(std::to_string(i) + "/ " + std::to_string(num) + ": " + title)
                  << std::endl;
        // The address decides whether a saved copy serves; a link without a usable one
        // still gets its line before its failure.
        std::string address;
        std::exception_ptr unusable;
        try {
            address = ChapterAddress(storyUrl_, entry);
        } catch (const std::exception&) {
            unusable = std::current_exception();
        }
        const std::optional<std::string> saved = kept_ != nullptr && !book_.refresh && !unusable
                                                     ? kept_->FindChapter(address)
                                                     : std::nullopt;
        runlog::info("chapter_" + counted + (saved ? " (saved copy)" : ""));
        if (unusable) {
            std::rethrow_exception(unusable);
        }
        const std::string fileName = std::to_string(i) + ".html";
        if (saved) {
            book_.savefile(fileName, *saved);  // no request, so no pause
            return;
        }
        const Chapter chapter = book_.get_chapter(address);
        book_.savefile(fileName, chapter.document);
        Keep(address, chapter.document);
        std::this_thread::sleep_for(ChapterPause());
    }

  private:
    // A chapter the store could not keep is still in the work folder; the failure is
    // reported, and a later job fetches the chapter again.
    void Keep(const std::string& address, const std::string& document) const {
        if (kept_ == nullptr) {
            return;
        }
        try {
            kept_->PutChapter(address, document);
        } catch (const std::exception& failure) {
            ReportFailure(failure);
        }
    }

    QuillObj& book_;
    const std::string& storyUrl_;
    const ChapterStore* kept_;
};

// The cover, from the store when it has this picture, otherwise fetched (and then kept).
void SaveCover(QuillObj& book, const ChapterStore* kept, const std::string& url,
               const std::string& file) {
    if (kept != nullptr && !book.refresh) {
        if (const std::optional<std::string> picture = kept->FindCover(url)) {
            try {
                WriteFileAtomic(file, *picture);
                return;
            } catch (const std::exception&) {
                // Fetching reports the failure, or mends it.
            }
        }
    }
    const std::optional<std::string> picture = RetrieveCover(url, file);
    if (kept != nullptr && picture) {
        try {
            kept->PutCover(url, *picture);
        } catch (const std::exception& failure) {
            std::cout << "The chapter store could not keep the cover: " << failure.what()
                      << std::endl;
        }
    }
}

// The story page's data. A page that came but lacks it is told apart from one that did not
// come: no retry brings the data, the address or the site is at fault.
StoryPage ReadStory(const std::string& aurl) {
    const gsweb::Document page = gsweb::get_soup(aurl);
    try {
        return ReadStoryPage(page, aurl);
    } catch (const DownloadError& failure) {
        throw StoryDataError(failure);
    }
}

}  // namespace

void QuillObj::get_book(const std::string& aurl) {
    OperationScope scope("get_book(" + aurl + ")");
    const std::string base_url = BaseUrl();
    id = utils::getquillid(aurl);
    std::cout << base_url << "/story/" << id << std::endl;
    // Opened before any request: a store that cannot be used ends the job at once.
    std::optional<ChapterStore> kept;
    if (!store.empty()) {
        kept.emplace(store, id);
    }

    // The parsed page goes as soon as it has been read: only its metadata and links stay.
    const StoryPage story = ReadStory(aurl);
    std::cout << story.meta.title << std::endl;
    runlog::info("title:" + story.meta.title);
    runlog::info("author:" + story.meta.author);
    bookmeta["title"] = story.meta.title;
    bookmeta["author"] = story.meta.author;

    bookmeta["filename"] = BookFileName(story.meta.title);
    RemoveStaleBook(ebookdir, bookmeta["filename"].get<std::string>(), story.meta.author);

    SaveCover(*this, kept ? &*kept : nullptr, story.meta.image, JoinPath(ebookdir, "cover.jpg"));
    runlog::info("cover page:cover.jpg");

    const int num = static_cast<int>(story.entries.size());
    bookmeta["chapternum"] = num;
    runlog::info("chapter:" + std::to_string(num));

    ChapterRun run(*this, aurl, kept ? &*kept : nullptr);
    int i = 0;
    for (const TocEntry& entry : story.entries) {
        ++i;
        try {
            run.Entry(i, num, entry);
        } catch (const std::exception& failure) {
            ReportFailure(failure);
        }
    }
    runlog::info("done");
}

}  // namespace quill
