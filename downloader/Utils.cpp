#include "downloader/Utils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/File.h"
#include "web/Errors.h"

namespace utils {

namespace {

std::string PathOf(const std::string& url) {
    std::string rest = url;
    if (const size_t scheme = rest.find("://"); scheme != std::string::npos) {
        rest = rest.substr(scheme + 3);
        const size_t slash = rest.find('/');
        rest = slash == std::string::npos ? "" : rest.substr(slash);
    }
    return rest.substr(0, rest.find_first_of("?#"));
}

std::string FirstSegment(const std::string& path) {
    const size_t start = path.find_first_not_of('/');
    if (start == std::string::npos) {
        return "";
    }
    return path.substr(start, path.find('/', start) - start);
}

}  // namespace

std::string getquillid(const std::string& url) {
    const std::string path = PathOf(url);
    constexpr char kStory[] = "/story/";
    if (const size_t story = path.find(kStory); story != std::string::npos) {
        return FirstSegment(path.substr(story + sizeof kStory - 2));
    }
    return FirstSegment(path);
}

void savetext(const std::string& path, const std::string& text) {
    quill::UniqueFile file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        throw quill::OSError("cannot create " + path + ": " + std::strerror(errno));
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    if (!written || std::fclose(file.release()) != 0) {
        throw quill::OSError("cannot write " + path + ": " + std::strerror(errno));
    }
}

}  // namespace utils
