#include "downloader/Utils.h"

#include "common/AtomicWrite.h"
#include "common/SiteAddress.h"

namespace utils {

std::string getquillid(const std::string& url) {
    const std::optional<quill::SiteAddress> site =
        quill::ReadSiteAddress(url, quill::MissingScheme::Http);
    return site ? site->name : "";
}

void savetext(const std::string& path, const std::string& text) {
    // Atomic, so that a job killed while writing never leaves a part of a chapter under the
    // chapter's name, where the book builder would take it for the whole.
    quill::WriteFileAtomic(path, text);
}

}  // namespace utils
