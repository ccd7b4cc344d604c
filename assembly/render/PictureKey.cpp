#include "PictureKey.h"

#include "common/Digest.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "common/PictureList.h"
#include "pictures/BookPictures.h"

namespace quill {

std::string PicturesKeyPiece(const std::string& workFolder, long long chapter) {
    const std::optional<std::vector<PictureLink>> links = ReadChapterPictures(workFolder, chapter);
    if (!links) {
        return "";
    }
    std::string piece = BookPictures::Identity() + "\n";
    for (const PictureLink& link : *links) {
        const std::optional<std::string> bytes = TryReadFileBytes(JoinPath(workFolder, link.file));
        piece += std::to_string(link.src.size()) + ":" + link.src + " " +
                 (bytes ? Sha256Hex(*bytes) : "-") + "\n";
    }
    return piece;
}

}  // namespace quill
