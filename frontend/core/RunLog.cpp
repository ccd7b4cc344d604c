#include "core/RunLog.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <limits>

#include "common/File.h"
#include "common/LanguageTag.h"
#include "common/SiteAddress.h"
#include "common/Text.h"

namespace quill {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kSavedMark = " (saved copy)";

// A whole decimal number with optional leading blanks and sign, within int range.
std::optional<int> ParseNumber(std::string_view text) {
    const size_t start = std::min(text.find_first_not_of(' '), text.size());
    const std::optional<long long> number = ParseInteger(text.substr(start));
    if (!number || *number < std::numeric_limits<int>::min() ||
        *number > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

std::vector<std::string> SplitLines(std::string_view bytes, bool atStart) {
    if (atStart && bytes.substr(0, kBom.size()) == kBom) {
        bytes.remove_prefix(kBom.size());
    }
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            continue;
        }
        lines.emplace_back(bytes.substr(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < bytes.size()) {
        lines.emplace_back(bytes.substr(start));
    }
    return lines;
}

}  // namespace

std::optional<int> ParseWholeNumber(std::string_view text) {
    return ParseNumber(text);
}

std::vector<std::string> SplitLogLines(std::string_view bytes) {
    return SplitLines(bytes, true);
}

std::optional<std::string> KeyedValue(std::string_view line, std::string_view key) {
    if (line.substr(0, key.size()) != key) {
        return std::nullopt;
    }
    return std::string(line.substr(key.size()));
}

std::optional<ChapterLine> ParseChapterLine(std::string_view line) {
    constexpr std::string_view kKey = "chapter_";
    if (line.substr(0, kKey.size()) != kKey) {
        return std::nullopt;
    }
    line.remove_prefix(kKey.size());
    const size_t slash = line.find(" / ");
    const size_t colon = line.find(": ", slash == std::string_view::npos ? 0 : slash);
    if (slash == std::string_view::npos || colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> position = ParseNumber(line.substr(0, slash));
    if (!position || *position <= 0 || !ParseNumber(line.substr(slash + 3, colon - slash - 3))) {
        return std::nullopt;
    }
    ChapterLine chapter;
    chapter.position = *position;
    std::string_view title = line.substr(colon + 2);
    if (title.size() >= kSavedMark.size() &&
        title.substr(title.size() - kSavedMark.size()) == kSavedMark) {
        chapter.savedCopy = true;
        title.remove_suffix(kSavedMark.size());
    }
    chapter.title = std::string(title);
    return chapter;
}

BookInfo ReadBookInfo(const std::vector<std::string>& lines) {
    BookInfo info;
    for (const std::string& line : lines) {
        if (auto title = KeyedValue(line, "title:")) {
            info.title = std::move(title);
        } else if (auto author = KeyedValue(line, "author:")) {
            info.author = std::move(author);
        } else if (auto story = KeyedValue(line, "story:")) {
            info.storyNumber = ParseStoryNumber(*story);
        } else if (auto language = KeyedValue(line, "language:")) {
            info.language = WellFormedLanguageTag(*language);
        } else if (auto count = KeyedValue(line, "chapter:")) {
            info.chapterCount = count->empty() ? std::optional<int>(0) : ParseNumber(*count);
            info.countValid = info.chapterCount.has_value();
        } else if (auto fatal = KeyedValue(line, "fatal:")) {
            const size_t colon = fatal->find(':');
            info.fatal = FatalLine{fatal->substr(0, colon),
                                   colon == std::string::npos ? "" : fatal->substr(colon + 1)};
        } else if (const auto pictures = ParsePicturesLeftOut(line)) {
            info.picturesLeftOut[pictures->first] += pictures->second;
        } else if (auto chapter = ParseChapterLine(line)) {
            info.chapters.push_back(std::move(*chapter));
        } else if (line == "error ontimer") {
            if (!info.chapters.empty()) {
                info.chapters.back().failed = true;
            }
        } else if (line == "done") {
            info.done = true;
        }
    }
    return info;
}

RunLogTail::Result RunLogTail::Poll(std::vector<std::string>& lines, bool final) {
    lines.clear();
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return Result::Missing;
    }
    const int64_t writeNs =
        static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    const auto size = static_cast<uint64_t>(st.st_size);
    if (!final && writeNs == lastWriteNs_ && size == lastSize_) {
        return Result::Unchanged;
    }
    Result result = Result::Grew;
    if (size < offset_) {
        offset_ = 0;
        result = Result::Restarted;
    }
    UniqueFile file(std::fopen(path_.c_str(), "rb"));
    if (!file || std::fseek(file.get(), static_cast<long>(offset_), SEEK_SET) != 0) {
        return Result::Missing;  // the times stay, so the next poll tries again
    }
    std::string bytes;
    char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.append(buffer, got);
    }
    lastWriteNs_ = writeNs;
    lastSize_ = size;
    // Only whole lines: up to the last line end, but a CR at the very end may still get
    // its LF, so it waits too.
    size_t end = bytes.find_last_of("\r\n");
    if (!final) {
        if (end != std::string::npos && bytes[end] == '\r' && end + 1 == bytes.size()) {
            end = end == 0 ? std::string::npos : bytes.find_last_of("\r\n", end - 1);
        }
        bytes.resize(end == std::string::npos ? 0 : end + 1);
    }
    if (offset_ == 0 && result != Result::Restarted && bytes.empty()) {
        return Result::Unchanged;
    }
    std::string_view whole = bytes;
    if (offset_ > 0 && whole.substr(0, 1) == "\n" && result != Result::Restarted) {
        // The LF of a CR LF whose CR ended the previous poll's last line.
        whole.remove_prefix(1);
    }
    lines = SplitLines(whole, offset_ == 0);  // a byte-order mark counts only at the start
    offset_ += bytes.size();
    return result;
}

}  // namespace quill
