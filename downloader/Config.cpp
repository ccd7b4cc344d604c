#include "downloader/Config.h"

#include "common/Settings.h"

namespace quill {

std::string BaseUrl() {
    return StorySiteUrl();
}

}  // namespace quill
