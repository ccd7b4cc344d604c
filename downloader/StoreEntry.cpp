#include "StoreEntry.h"

#include <filesystem>
#include <map>
#include <string_view>

#include "common/Digest.h"
#include "common/FileBytes.h"
#include "common/OneLine.h"

namespace quill::store {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagic = "quillby-store 2";
constexpr std::string_view kFirstMagic = "quillby-store 1";
// Room for the header lines around the address and the title, and for a recorded title
// longer than the one looked up (a chapter retitled shorter is then still told apart from
// a damaged entry).
constexpr size_t kHeaderSlack = 64 * 1024;

struct Parsed {
    bool firstVersion = false;
    std::map<std::string, std::string, std::less<>> fields;
    std::string_view content;
};

// The header's fields and the content, or nothing when the bytes are no entry.
std::optional<Parsed> Parse(std::string_view bytes) {
    const size_t blank = bytes.find("\n\n");
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view header = bytes.substr(0, blank + 1);
    Parsed parsed;
    parsed.content = bytes.substr(blank + 2);
    const size_t firstEnd = header.find('\n');
    const std::string_view magic = header.substr(0, firstEnd);
    if (magic != kMagic && magic != kFirstMagic) {
        return std::nullopt;
    }
    parsed.firstVersion = magic == kFirstMagic;
    header.remove_prefix(firstEnd + 1);
    while (!header.empty()) {
        const size_t end = header.find('\n');
        const std::string_view line = header.substr(0, end);
        const size_t colon = line.find(": ");
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        parsed.fields.emplace(std::string(line.substr(0, colon)),
                              std::string(line.substr(colon + 2)));
        header.remove_prefix(end + 1);
    }
    return parsed;
}

std::string Field(const Parsed& parsed, std::string_view name) {
    const auto found = parsed.fields.find(name);
    return found == parsed.fields.end() ? std::string() : found->second;
}

Reading Damaged(std::string why) {
    Reading reading;
    reading.kind = Reading::Kind::Damaged;
    reading.damage = std::move(why);
    return reading;
}

// Why something other than a regular file stands under an entry's name.
std::string NotAFile(fs::file_type type) {
    switch (type) {
        case fs::file_type::symlink:
            return "it is a symbolic link, which is not followed";
        case fs::file_type::directory:
            return "it is a folder";
        default:
            return "it is not a regular file";
    }
}

std::optional<std::string> ReadBytes(const std::string& path, size_t maxContent,
                                     size_t headerBytes) {
    return TryReadFileBytes(path, maxContent + headerBytes + kHeaderSlack);
}

}  // namespace

std::string EntryBytes(const std::string& address, const std::string& title,
                       const std::string& content) {
    return std::string(kMagic) + "\naddress: " + OneLine(address) + "\ntitle: " + OneLine(title) +
           "\nbytes: " + std::to_string(content.size()) + "\nsha256: " + Sha256Hex(content) +
           "\n\n" + content;
}

Reading ReadEntry(const std::string& path, const std::string& address, const std::string& title,
                  size_t maxContent, bool nameIsAddress) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (status.type() == fs::file_type::not_found) {
        return {};
    }
    if (error) {
        return Damaged("it cannot be looked at: " + error.message());
    }
    if (status.type() != fs::file_type::regular) {
        return Damaged(NotAFile(status.type()));
    }
    const std::string recordedAddress = OneLine(address), recordedTitle = OneLine(title);
    // Read as a regular file only: what stands there may have been swapped since.
    const std::optional<std::string> bytes =
        ReadBytes(path, maxContent, recordedAddress.size() + recordedTitle.size());
    if (!bytes) {
        return Damaged("it cannot be read, is not a regular file, or is larger than any entry");
    }
    const std::optional<Parsed> parsed = Parse(*bytes);
    if (!parsed) {
        return Damaged("it is not a chapter store entry");
    }
    Reading reading;
    reading.firstVersion = parsed->firstVersion;
    if (Field(*parsed, "address") != recordedAddress) {
        if (nameIsAddress) {
            return Damaged("it records another address than its name stands for");
        }
        reading.kind = Reading::Kind::Changed;
        return reading;
    }
    if (Field(*parsed, "bytes") != std::to_string(parsed->content.size())) {
        return Damaged("its length is not the one recorded when it was written");
    }
    if (!parsed->firstVersion) {
        if (Field(*parsed, "sha256") != Sha256Hex(parsed->content)) {
            return Damaged("its content does not match the digest recorded when it was written");
        }
        if (Field(*parsed, "title") != recordedTitle) {
            reading.kind = Reading::Kind::Changed;
            return reading;
        }
    }
    reading.kind = Reading::Kind::Serves;
    reading.content = std::string(parsed->content);
    return reading;
}

std::optional<std::string> EntryAddress(const std::string& path, size_t maxContent) {
    std::error_code error;
    if (fs::symlink_status(path, error).type() != fs::file_type::regular) {
        return std::nullopt;
    }
    const std::optional<std::string> bytes = ReadBytes(path, maxContent, 4096);
    const std::optional<Parsed> parsed = bytes ? Parse(*bytes) : std::nullopt;
    if (!parsed || !parsed->fields.count("address")) {
        return std::nullopt;
    }
    return Field(*parsed, "address");
}

}  // namespace quill::store
