#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "common/File.h"
#include "downloader/QuillObj.h"
#include "web/Errors.h"
#include "web/Failure.h"
#include "web/Web.h"

namespace quill {

// A missing cover never stops the job: the book is then made without a picture. The file
// is created before the fetch, so a failed fetch leaves it empty.
int QuillObj::get_cover(const std::string& cover_url, const std::string& cover_file) {
    try {
        UniqueFile file(std::fopen(cover_file.c_str(), "wb"));
        if (!file) {
            throw OSError("cannot create " + cover_file + ": " + std::strerror(errno));
        }
        const std::string picture = gsweb::get_url(cover_url);
        if (std::fwrite(picture.data(), 1, picture.size(), file.get()) != picture.size() ||
            std::fclose(file.release()) != 0) {
            throw OSError("cannot write " + cover_file + ": " + std::strerror(errno));
        }
        return 1;
    } catch (const std::exception& failure) {
        ForgetFailure();
        std::cout << "Can't retrieve the cover\n"
                  << failure.what() << "\nContinuing without a cover" << std::endl;
        return 0;
    }
}

}  // namespace quill
