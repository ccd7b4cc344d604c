#include "common/Paths.h"
#include "downloader/QuillObj.h"
#include "downloader/RunLog.h"
#include "downloader/Utils.h"

namespace quill {

// Certificates stay checked for every request (see gsweb::WebOptions): pages fetched here
// end up rendered by a browser engine, so nobody on the way may replace them.
QuillObj::QuillObj(const std::string& adir) : ebookdir(adir) {
    runlog::open(JoinPath(ebookdir, "run.log"));
}

void QuillObj::savefile(const std::string& fname, const std::string& txt) {
    utils::savetext(JoinPath(ebookdir, fname), txt);
}

}  // namespace quill
