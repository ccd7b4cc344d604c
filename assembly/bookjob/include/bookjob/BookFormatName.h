#pragma once

#include <optional>
#include <string_view>

#include "bookjob/BookJob.h"

namespace quill {

// The editions a command line names: "pdf", "epub" or "both"; nothing for any other word.
inline std::optional<BookFormat> BookFormatNamed(std::string_view name) {
    if (name == "pdf") {
        return BookFormat::Pdf;
    }
    if (name == "epub") {
        return BookFormat::Epub;
    }
    if (name == "both") {
        return BookFormat::PdfAndEpub;
    }
    return std::nullopt;
}

}  // namespace quill
