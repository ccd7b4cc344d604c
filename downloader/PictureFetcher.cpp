#include "PictureFetcher.h"

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>

#include "common/AtomicWrite.h"
#include "common/Errors.h"
#include "common/Paths.h"
#include "common/PictureHeader.h"
#include "downloader/ChapterStore.h"
#include "downloader/Limits.h"
#include "downloader/Pages.h"
#include "downloader/RunLog.h"
#include "web/Errors.h"
#include "web/Failure.h"
#include "web/Web.h"

namespace quill {

namespace {

using Json = nlohmann::json;

// A data: address can be megabytes long; the log names the picture by its beginning.
constexpr size_t kShownBytes = 160;

std::string Shown(const std::string& name) {
    if (name.size() <= kShownBytes) {
        return name;
    }
    size_t cut = kShownBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
        --cut;  // not inside a character
    }
    return name.substr(0, cut) + "\u2026";
}

std::string Megabytes(size_t bytes) {
    return std::to_string(bytes >> 20) + " MB";
}

const std::string& ChapterBudgetCause() {
    static const std::string cause =
        "the chapter's pictures would be larger than " + Megabytes(kMaxChapterPictureBytes);
    return cause;
}

// The detail of "cannot fetch <url>: <detail>".
std::string FetchDetail(const FetchError& failure, const std::string& address) {
    const std::string message = failure.what(), prefix = "cannot fetch " + address + ": ";
    return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
}

// What was recorded of a saved chapter's pictures: for each source, the address it was
// fetched from, or why it is left out for good and what the log named it.
struct Recorded {
    std::string address;
    std::string why;
    std::string name;
};

std::string TextOf(const Json& entry, const char* name) {
    const auto member = entry.find(name);
    return member != entry.end() && member->is_string() ? member->get<std::string>() : "";
}

std::map<std::string, Recorded> ReadRecord(const std::string& text) {
    std::map<std::string, Recorded> record;
    const Json json = Json::parse(text, nullptr, false);
    if (!json.is_object() || !json.contains("pictures") || !json["pictures"].is_array()) {
        return record;
    }
    for (const Json& entry : json["pictures"]) {
        if (!entry.is_object()) {
            continue;
        }
        Recorded seen{TextOf(entry, "address"), TextOf(entry, "why"), TextOf(entry, "name")};
        if (seen.address.empty() != seen.why.empty()) {
            record.emplace(TextOf(entry, "src"), std::move(seen));
        }
    }
    return record;
}

}  // namespace

// One chapter on its way: what its pictures have come to so far.
struct PictureFetcher::Run {
    int position = 0;
    std::map<std::string, Recorded> recorded;  // a saved chapter's record
    std::vector<PictureLink> links;
    Json record = Json::array();
    size_t bytes = 0;
    int requests = 0;
};

PictureFetcher::PictureFetcher(const std::string& storyUrl, std::string workFolder,
                               const ChapterStore* store, bool refresh)
    : site_(storyUrl), workFolder_(std::move(workFolder)), store_(store), refresh_(refresh) {}

PictureFetcher::Outcome PictureFetcher::Chapter(int position, const std::string& chapterUrl,
                                                const std::string& document, bool saved) {
    const std::vector<std::string> sources = ReadPictureSources(gsweb::Document::Parse(document));
    if (sources.empty()) {
        return {};
    }
    Run run;
    run.position = position;
    std::string recordText;
    if (saved && store_ != nullptr) {
        const ChapterStore::Found found = store_->FindPictureRecord(chapterUrl);
        recordText = found.content.value_or("");
        run.recorded = ReadRecord(recordText);
    }
    // Every page of a chapter lies in the same folder of the site, so a picture's source
    // leads to the same address from each of them.
    const std::string page = chapterUrl + "/page/1";
    const size_t taken = std::min(sources.size(), kMaxChapterPictures);
    for (size_t i = 0; i < taken; ++i) {
        Take(run, page, sources[i]);
    }
    if (sources.size() > taken) {
        runlog::info("Pictures left out of chapter " + std::to_string(position) + ": " +
                     std::to_string(sources.size() - taken) + " more, as a chapter shows at most " +
                     std::to_string(kMaxChapterPictures) + ".");
    }
    try {
        WriteFileAtomic(JoinPath(workFolder_, PictureListName(position)),
                        PictureListJson(run.links));
    } catch (const Exception& failure) {
        throw OSError(failure.what());
    }
    const std::string record =
        Json{{"pictures", run.record}}.dump(-1, ' ', false, Json::error_handler_t::replace);
    if (store_ != nullptr && record != recordText) {
        try {
            store_->PutPictureRecord(chapterUrl, record);
        } catch (const std::exception& failure) {
            std::cout << "The chapter store could not keep the record of chapter " << position
                      << "'s pictures: " << failure.what() << std::endl;
        }
    }
    return {true, run.requests};
}

void PictureFetcher::Take(Run& run, const std::string& page, const std::string& src) {
    const auto recorded = run.recorded.find(src);
    if (recorded != run.recorded.end() && !recorded->second.why.empty()) {
        // Left out for good when the chapter was fetched: the site is not asked again.
        const Recorded& seen = recorded->second;
        LeftOut(run, seen.name.empty() ? src : seen.name, seen.why);
        run.record.push_back({{"src", src}, {"name", seen.name}, {"why", seen.why}});
        return;
    }
    const PictureSite::Place place = site_.Locate(page, src);
    if (!place.refusal.empty()) {
        LeftOut(run, src, place.refusal);
        return;  // the same page says the same next time, without a request
    }
    Known known = Obtain(run, place.address);
    if (known.why.empty() && run.bytes + known.bytes > kMaxChapterPictureBytes) {
        known = Known{"", 0, ChapterBudgetCause(), true};
    }
    if (!known.why.empty()) {
        LeftOut(run, place.address, known.why);
        if (known.lasting) {
            run.record.push_back({{"src", src}, {"name", place.address}, {"why", known.why}});
        }
        return;
    }
    run.bytes += known.bytes;
    run.links.push_back({src, known.file});
    run.record.push_back({{"src", src}, {"address", place.address}});
}

PictureFetcher::Known PictureFetcher::Obtain(Run& run, const std::string& address) {
    if (const auto seen = known_.find(address); seen != known_.end()) {
        return seen->second;
    }
    Known known = Kept(address);
    if (known.file.empty()) {
        const size_t left = kMaxChapterPictureBytes - std::min(run.bytes, kMaxChapterPictureBytes);
        if (left == 0) {
            return Known{"", 0, ChapterBudgetCause(), true};
        }
        known = Fetch(run, address, std::min(kMaxPictureBytes, left));
        if (known.why == ChapterBudgetCause()) {
            return known;  // this chapter's bound; another chapter may still show it
        }
    }
    known_[address] = known;
    return known;
}

// The store's copy of the picture, when it has a good one.
PictureFetcher::Known PictureFetcher::Kept(const std::string& address) {
    if (store_ == nullptr || refresh_) {
        return {};
    }
    const ChapterStore::Found found = store_->FindPicture(address, kMaxPictureBytes);
    if (!found.damage.empty()) {
        runlog::info("The saved copy of picture " + Shown(address) + " was damaged (" +
                     found.damage + "); it is fetched again.");
    }
    if (!found.content) {
        return {};
    }
    Known known = Accept(address, *found.content, false);
    return known.why.empty() ? known : Known{};
}

PictureFetcher::Known PictureFetcher::Fetch(Run& run, const std::string& address, size_t limit) {
    ++run.requests;
    std::string bytes;
    try {
        bytes = gsweb::get_picture(address, limit);
    } catch (const SizeLimitError&) {
        ForgetFailure();
        if (limit < kMaxPictureBytes) {
            return Known{"", 0, ChapterBudgetCause(), true};
        }
        return Known{"", 0, "it is larger than " + Megabytes(kMaxPictureBytes), true};
    } catch (const HttpError& failure) {
        ForgetFailure();
        // A picture the site does not have stays so; an overloaded site may serve it later.
        const bool lasting =
            failure.status() < 500 && failure.status() != 408 && failure.status() != 429;
        return Known{"", 0,
                     "the site answered with HTTP status " + std::to_string(failure.status()),
                     lasting};
    } catch (const FetchError& failure) {
        ForgetFailure();
        const std::string detail = FetchDetail(failure, address);
        return Known{"", 0,
                     failure.reason() == FetchError::Reason::TimedOut
                         ? "it did not arrive in time (" + detail + ")"
                         : "it could not be fetched (" + detail + ")",
                     false};
    } catch (const DownloadError& failure) {
        ForgetFailure();
        return Known{"", 0, std::string("it could not be fetched (") + failure.what() + ")", false};
    }
    return Accept(address, bytes, true);
}

// The bytes as a picture of the book: written into the work folder, and, when fetched just
// now, kept in the store; or why they are none.
PictureFetcher::Known PictureFetcher::Accept(const std::string& address, const std::string& bytes,
                                             bool keep) {
    const std::optional<PictureType> type = PictureTypeOf(bytes);
    if (!type) {
        return Known{"", 0, "it is not a JPEG, PNG, GIF or WebP picture", true};
    }
    const std::optional<PictureHeader> header = ReadPictureHeader(bytes);
    if (!header) {
        return Known{"", 0, "its header is cut short or does not give its size", true};
    }
    if (const std::optional<std::string> problem = PictureSizeProblem(*header)) {
        return Known{"", 0, *problem, true};
    }
    const std::string file = PictureFileName(bytes, ExtensionOf(*type));
    const std::string path = JoinPath(workFolder_, file);
    if (!FileExists(path)) {
        try {
            WriteFileAtomic(path, bytes);
        } catch (const Exception& failure) {
            throw OSError(failure.what());
        }
    }
    if (keep && store_ != nullptr) {
        try {
            store_->PutPicture(address, bytes);
        } catch (const std::exception& failure) {
            std::cout << "The chapter store could not keep the picture " << Shown(address) << ": "
                      << failure.what() << std::endl;
        }
    }
    return Known{file, bytes.size(), "", false};
}

void PictureFetcher::LeftOut(Run& run, const std::string& name, const std::string& why) {
    runlog::info("Picture left out of chapter " + std::to_string(run.position) + " (" +
                 Shown(name) + "): " + why + ".");
}

}  // namespace quill
