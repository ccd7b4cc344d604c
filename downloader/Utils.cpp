#include "downloader/Utils.h"

#include "common/AtomicWrite.h"
#include "common/Errors.h"
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
    // Atomic, so that a job killed while writing never leaves a part of a chapter under the
    // chapter's name, where the book builder would take it for the whole.
    try {
        quill::WriteFileAtomic(path, text);
    } catch (const quill::Exception& failure) {
        throw quill::OSError(failure.what());
    }
}

}  // namespace utils
