#include "Cover.h"

#include <iostream>

#include "common/AtomicWrite.h"
#include "downloader/QuillObj.h"
#include "web/Failure.h"
#include "web/Web.h"

namespace quill {

std::optional<std::string> RetrieveCover(const std::string& url, const std::string& file) {
    try {
        std::string picture = gsweb::get_url(url);
        WriteFileAtomic(file, picture);
        return picture;
    } catch (const std::exception& failure) {
        ForgetFailure();
        // The book is then made without a picture; an empty file says there is none.
        try {
            WriteFileAtomic(file, "");
        } catch (const std::exception&) {
        }
        std::cout << "Can't retrieve the cover\n"
                  << failure.what() << "\nContinuing without a cover" << std::endl;
        return std::nullopt;
    }
}

int QuillObj::get_cover(const std::string& cover_url, const std::string& cover_file) {
    return RetrieveCover(cover_url, cover_file) ? 1 : 0;
}

}  // namespace quill
