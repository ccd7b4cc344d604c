#include "EpubPictures.h"

#include <set>

#include "EpubText.h"
#include "common/Paths.h"

namespace quill::epub {

std::vector<ContentPicture> PicturesOfBook(CleanedChapters& cleaned, const std::string& workFolder,
                                           const std::vector<int>& chapters) {
    std::vector<ContentPicture> pictures;
    std::set<std::string> taken;
    for (const int number : chapters) {
        for (const BookPicture& picture : cleaned.Pictures(number)) {
            if (taken.insert(picture.file).second) {
                pictures.push_back(
                    {JoinPath(workFolder, picture.file), picture.file, picture.mediaType});
            }
        }
    }
    return pictures;
}

std::string PictureItems(const std::vector<ContentPicture>& pictures) {
    std::string items;
    for (size_t i = 0; i < pictures.size(); ++i) {
        items += "    <item id=\"picture-" + std::to_string(i + 1) + "\" href=\"" +
                 XmlEscape(pictures[i].fileName) + "\" media-type=\"" + pictures[i].mediaType +
                 "\"/>\n";
    }
    return items;
}

std::string PictureStyleSheet() {
    return "img.picture { max-width: 100%; height: auto; }\n"
           ".picture-alt { font-style: italic; }\n";
}

}  // namespace quill::epub
