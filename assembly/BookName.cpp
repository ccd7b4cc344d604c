#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>

#include "assembly/BookName.h"
#include "common/CleanFileName.h"
#include "common/Errors.h"
#include "common/Paths.h"
#include "common/SiteAddress.h"
#include "common/Text.h"
#include "common/Utf8.h"

namespace quill {

namespace {

// A book name longer than this is cut, counted the way the window counts text.
constexpr size_t kMaxBookNameUnits = 40;
constexpr char kUntitled[] = "Untitled";

std::optional<unsigned> ParseHex(std::u16string_view digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char16_t c : digits) {
        unsigned digit;
        if (c >= u'0' && c <= u'9') {
            digit = c - u'0';
        } else if (c >= u'a' && c <= u'f') {
            digit = c - u'a' + 10;
        } else if (c >= u'A' && c <= u'F') {
            digit = c - u'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

std::u16string_view TrimBlanks(std::u16string_view text) {
    while (!text.empty() && text.front() <= u' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() <= u' ') {
        text.remove_suffix(1);
    }
    return text;
}

// The escape at the start of `text` ("%uXXXX" or "%XX"): the UTF-16 unit it stands for
// and its length, or nothing when it is not a valid escape.
std::optional<std::pair<char16_t, size_t>> ReadEscape(std::u16string_view text) {
    if (text.size() >= 2 && (text[1] == u'u' || text[1] == u'U')) {
        if (text.size() >= 6) {
            if (auto unit = ParseHex(text.substr(2, 4))) {
                return std::make_pair(static_cast<char16_t>(*unit), size_t{6});
            }
        }
        return std::nullopt;
    }
    if (text.size() >= 3) {
        if (auto code = ParseHex(TrimBlanks(text.substr(1, 2)))) {
            return std::make_pair(static_cast<char16_t>(*code), size_t{3});
        }
    }
    return std::nullopt;
}

// Titles may carry the site's escapes, which are not the bytes PercentDecode reads: "%XX"
// is one character (U+00XX) and "%uXXXX" one UTF-16 unit. A "%" that starts no valid escape
// is ordinary text, so "100% Love" keeps its " L".
std::u16string DecodeTitleEscapes(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == u'%') {
            if (auto escape = ReadEscape(text.substr(i))) {
                out += escape->first;
                i += escape->second;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

// Whether a book that records `recorded` is a book of the story at storyUrl.
bool IsBookOfStory(const std::string& recorded, const std::string& storyUrl,
                   const std::vector<std::string>& earlierUrls) {
    return SameStory(recorded, storyUrl) || std::any_of(earlierUrls.begin(), earlierUrls.end(),
                                                        [&recorded](const std::string& earlier) {
                                                            return SameStory(recorded, earlier);
                                                        });
}

}  // namespace

std::string MakeBookName(const std::string& booktitle) {
    const std::string decoded = Utf16ToUtf8(DecodeTitleEscapes(Utf8ToUtf16(booktitle)));
    const std::string name = TruncateUtf16Units(CleanFileName(decoded), kMaxBookNameUnits);
    // The cut can leave only the blanks a title began with ("40 commas and x").
    return name.find_first_not_of(' ') == std::string::npos ? kUntitled : name;
}

std::string ChooseBookPath(const std::string& folder, const std::string& name,
                           const std::string& ext, const std::string& storyUrl,
                           const StoryOfBook& storyOf,
                           const std::vector<std::string>& earlierUrls) {
    constexpr int kMostCopies = 999;
    const std::string base = IncludeTrailingSeparator(folder) + name;
    for (int copy = 1; copy <= kMostCopies; ++copy) {
        const std::string path =
            copy == 1 ? base + ext : base + " (" + std::to_string(copy) + ")" + ext;
        if (!PathExists(path)) {
            return path;
        }
        if (FileExists(path)) {
            // A book that records no story was made without an address (a rebuild from a
            // work folder); only such a rebuild may replace it.
            const std::optional<std::string> recorded = storyOf(path);
            if (recorded ? IsBookOfStory(*recorded, storyUrl, earlierUrls) : storyUrl.empty()) {
                return path;
            }
        }
    }
    throw EFCreateError(base + ext, "Every name up to (" + std::to_string(kMostCopies) +
                                        ") holds another story's book");
}

std::vector<std::string> VolumeBooks(const std::string& folder, const std::string& name,
                                     const VolumeRange& volume, const std::string& ext,
                                     const std::string& storyUrl, const StoryOfBook& storyOf,
                                     const std::vector<std::string>& earlierUrls) {
    std::vector<std::string> found;
    if (volume.number == 0 || storyUrl.empty()) {
        return found;
    }
    const std::string start = name + VolumeTitleSuffix(volume) + " (chapter";
    const std::string first = std::to_string(volume.first);
    const auto matches = [&](const std::string& file) {
        if (file.size() < start.size() + ext.size() || !StartsWith(file, start) ||
            !EndsWith(file, ext)) {
            return false;
        }
        const std::string rest = file.substr(start.size());
        return rest.rfind(" " + first + ")", 0) == 0 || rest.rfind("s " + first + "\u2013", 0) == 0;
    };
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::u8path(folder), error)) {
        const std::string file = entry.path().filename().u8string();
        if (matches(file) && entry.is_regular_file(error)) {
            const std::string path = JoinPath(folder, file);
            const std::optional<std::string> recorded = storyOf(path);
            if (recorded && IsBookOfStory(*recorded, storyUrl, earlierUrls)) {
                found.push_back(path);
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace quill
