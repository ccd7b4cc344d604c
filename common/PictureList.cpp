#include "common/PictureList.h"

#include <nlohmann/json.hpp>

#include "common/Digest.h"
#include "common/FileBytes.h"
#include "common/Paths.h"

namespace quill {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kPrefix = "picture-";
constexpr size_t kHexDigits = 16;
// Far more than a chapter's longest list (a few hundred links); past it a file is no list.
constexpr size_t kMaxListBytes = size_t{16} << 20;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

std::string TextOf(const Json& object, const char* name) {
    const auto member = object.find(name);
    return member != object.end() && member->is_string() ? member->get<std::string>() : "";
}

}  // namespace

std::string PictureListName(long long chapter) {
    return std::to_string(chapter) + ".pictures.json";
}

std::string PictureListJson(const std::vector<PictureLink>& links) {
    Json list = Json::array();
    for (const PictureLink& link : links) {
        list.push_back({{"src", link.src}, {"file", link.file}});
    }
    return Json{{"pictures", list}}.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::vector<PictureLink> ReadPictureList(std::string_view json) {
    const Json parsed = Json::parse(json, nullptr, false);
    std::vector<PictureLink> links;
    if (!parsed.is_object() || !parsed.contains("pictures") || !parsed["pictures"].is_array()) {
        return links;
    }
    for (const Json& entry : parsed["pictures"]) {
        if (!entry.is_object()) {
            continue;
        }
        PictureLink link{TrimmedSource(TextOf(entry, "src")), TextOf(entry, "file")};
        if (!link.src.empty() && IsPictureFileName(link.file)) {
            links.push_back(std::move(link));
        }
    }
    return links;
}

std::optional<std::vector<PictureLink>> ReadChapterPictures(const std::string& folder,
                                                            long long chapter) {
    const std::string path = JoinPath(folder, PictureListName(chapter));
    if (!PathExists(path)) {
        return std::nullopt;
    }
    // A list that cannot be read leaves the chapter's pictures out, never its text.
    const std::optional<std::string> json = TryReadFileBytes(path, kMaxListBytes);
    return json ? ReadPictureList(*json) : std::vector<PictureLink>{};
}

std::string PictureFileName(std::string_view bytes, const char* extension) {
    return std::string(kPrefix) + Sha256Hex(bytes).substr(0, kHexDigits) + "." + extension;
}

bool IsPictureFileName(std::string_view name) {
    if (name.substr(0, kPrefix.size()) != kPrefix ||
        name.size() < kPrefix.size() + kHexDigits + 2) {
        return false;
    }
    const std::string_view digits = name.substr(kPrefix.size(), kHexDigits);
    const std::string_view extension = name.substr(kPrefix.size() + kHexDigits);
    for (const char c : digits) {
        if (!IsHexDigit(c)) {
            return false;
        }
    }
    return extension == ".jpg" || extension == ".png" || extension == ".gif" ||
           extension == ".webp";
}

std::string TrimmedSource(std::string_view src) {
    constexpr std::string_view kBlanks = " \t\n\r\f";
    const size_t begin = src.find_first_not_of(kBlanks);
    if (begin == std::string_view::npos) {
        return "";
    }
    return std::string(src.substr(begin, src.find_last_not_of(kBlanks) - begin + 1));
}

}  // namespace quill
