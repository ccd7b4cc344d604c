#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <iostream>
#include <thread>

#include "Cover.h"
#include "PictureFetcher.h"
#include "common/AtomicWrite.h"
#include "common/Paths.h"
#include "common/SiteAddress.h"
#include "common/Text.h"
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
        : book_(book), storyUrl_(storyUrl), kept_(kept) {
        if (book.pictures) {
            pictures_.emplace(storyUrl, book.ebookdir, kept, book.refresh);
        }
    }

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
        // A copy serves only the contents entry it was fetched for: a retitled chapter is
        // fetched again.
        const std::string keptTitle = Strip(entry.text);
        const ChapterStore::Found saved = kept_ != nullptr && !book_.refresh && !unusable
                                              ? kept_->FindChapter(address, keptTitle)
                                              : ChapterStore::Found{};
        runlog::info("chapter_" + counted + (saved.content ? " (saved copy)" : ""));
        if (!saved.damage.empty()) {
            runlog::info("The saved copy of chapter " + std::to_string(i) + " was damaged (" +
                         saved.damage + "); it is fetched again.");
        }
        if (unusable) {
            std::rethrow_exception(unusable);
        }
        const std::string fileName = std::to_string(i) + ".html";
        // A chapter's pictures are in the work folder before the chapter file is: whatever
        // takes up the chapter finds them with it.
        if (saved.content) {
            const int requests = Pictures(i, address, *saved.content, true);
            book_.savefile(fileName, *saved.content);
            if (requests > 0) {
                std::this_thread::sleep_for(ChapterPause());  // without a request, no pause
            }
            return;
        }
        const Chapter chapter = book_.get_chapter(address);
        Pictures(i, address, chapter.document, false);
        book_.savefile(fileName, chapter.document);
        Keep(address, keptTitle, chapter.document);
        std::this_thread::sleep_for(ChapterPause());
    }

  private:
    // The chapter's pictures, into the work folder; the requests they took.
    int Pictures(int i, const std::string& address, const std::string& document, bool saved) {
        return pictures_ ? pictures_->Chapter(i, address, document, saved).requests : 0;
    }

    // A chapter the store could not keep is still in the work folder; the failure is
    // reported, and a later job fetches the chapter again.
    void Keep(const std::string& address, const std::string& title,
              const std::string& document) const {
        if (kept_ == nullptr) {
            return;
        }
        try {
            kept_->PutChapter(address, title, document);
        } catch (const std::exception& failure) {
            ReportFailure(failure);
        }
    }

    QuillObj& book_;
    const std::string& storyUrl_;
    const ChapterStore* kept_;
    std::optional<PictureFetcher> pictures_;
};

// The cover, from the store when it has this picture, otherwise fetched (and then kept).
void SaveCover(QuillObj& book, const ChapterStore* kept, const std::string& url,
               const std::string& file) {
    if (kept != nullptr && !book.refresh) {
        const ChapterStore::Found picture = kept->FindCover(url);
        if (!picture.damage.empty()) {
            runlog::info("The saved cover was damaged (" + picture.damage +
                         "); it is fetched again.");
        }
        if (picture.content) {
            try {
                WriteFileAtomic(file, *picture.content);
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

// The story's number: in a story page's address, or for a chapter page in the story address
// its metadata gives. Only a number is ever taken from the page; it is not fetched.
std::optional<uint64_t> StoryNumberOf(const std::string& aurl, const StoryMeta& meta) {
    if (const std::optional<uint64_t> number = StoryNumberIn(aurl)) {
        return number;
    }
    if (!meta.url) {
        return std::nullopt;
    }
    try {
        return StoryNumberIn(gsweb::ResolveUrl(aurl, *meta.url));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The story's kept chapters, under its number when it is known (and then with what earlier
// versions kept under the address forms), otherwise under its identifier.
std::optional<ChapterStore> OpenStore(const std::string& root, std::optional<uint64_t> number,
                                      const std::string& id, const std::string& aurl,
                                      const StoryPage& story) {
    std::optional<ChapterStore> kept;
    if (root.empty()) {
        return kept;
    }
    kept.emplace(root, number ? std::to_string(*number) : id);
    if (!number) {
        return kept;
    }
    std::vector<std::string> addresses, earlierIds{id};
    for (const TocEntry& entry : story.entries) {
        try {
            addresses.push_back(ChapterAddress(aurl, entry));
        } catch (const std::exception&) {
            continue;  // reported when the entry's turn comes
        }
        const std::optional<SiteAddress> page = ReadSiteAddress(addresses.back());
        if (page && page->part) {
            earlierIds.push_back(utils::getquillid(addresses.back()));
        }
    }
    kept->AdoptEarlierFolders(*number, earlierIds, addresses, story.meta.image);
    return kept;
}

// The story's language: the site's own word on the story page, kept with the story's
// chapters; without it, what the site said at an earlier download. Nothing when neither
// knows: the book build then looks at the chapters' script.
std::optional<std::string> StoryLanguage(const StoryMeta& meta, const ChapterStore* kept) {
    if (kept == nullptr) {
        return meta.language;
    }
    if (!meta.language) {
        return kept->FindLanguage();
    }
    try {
        kept->PutLanguage(*meta.language);
    } catch (const std::exception& failure) {
        std::cout << "The chapter store could not keep the story's language: " << failure.what()
                  << std::endl;
    }
    return meta.language;
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
    // Before any request: a store that cannot be used ends the job at once.
    if (!store.empty()) {
        ChapterStore::PrepareRoot(store);
    }

    // The parsed page goes as soon as it has been read: only its metadata and links stay.
    const StoryPage story = ReadStory(aurl);
    std::cout << story.meta.title << std::endl;
    runlog::info("title:" + story.meta.title);
    runlog::info("author:" + story.meta.author);
    const std::optional<uint64_t> number = StoryNumberOf(aurl, story.meta);
    if (number) {
        // The window keys the book by it, as the store is keyed here.
        runlog::info("story:" + std::to_string(*number));
    }
    bookmeta["title"] = story.meta.title;
    bookmeta["author"] = story.meta.author;

    bookmeta["filename"] = BookFileName(story.meta.title);
    RemoveStaleBook(ebookdir, bookmeta["filename"].get<std::string>(), story.meta.author);

    const std::optional<ChapterStore> kept = OpenStore(store, number, id, aurl, story);
    if (const std::optional<std::string> language =
            StoryLanguage(story.meta, kept ? &*kept : nullptr)) {
        runlog::info("language:" + *language);  // a well-formed tag, nothing else
    }
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
