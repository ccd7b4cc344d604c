#include <set>

#include "common/PictureList.h"
#include "downloader/Pages.h"

namespace quill {

std::vector<std::string> ReadPictureSources(const gsweb::Document& chapter) {
    std::vector<std::string> sources;
    std::set<std::string> seen;
    for (const gsweb::Element& picture : chapter.select("img")) {
        const std::optional<std::string> src = picture.get("src");
        std::string source = src ? TrimmedSource(*src) : "";
        if (!source.empty() && seen.insert(source).second) {
            sources.push_back(std::move(source));
        }
    }
    return sources;
}

}  // namespace quill
