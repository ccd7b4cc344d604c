#include "PdfCheck.h"

namespace quill {

bool LooksLikeWholePdf(std::string_view head, std::string_view tail) {
    return head.substr(0, 5) == "%PDF-" && tail.find("%%EOF") != std::string_view::npos;
}

}  // namespace quill
