#include "assembly/EngineVersions.h"

#include <exception>

#include "page/PageRender.h"
#include "pdfium/PdfiumLib.h"

#ifndef QUILLBY_PDFIUM_BUILD
#error "the build passes the pinned PDFium build as QUILLBY_PDFIUM_BUILD"
#endif

namespace quill {

namespace {

std::string LoadProblem(const std::exception& failure) {
    return std::string(" (cannot be loaded: ") + failure.what() + ")";
}

}  // namespace

std::string EngineVersions() {
    std::string text = "wkhtmltox ";
    try {
        text += EngineVersion();
    } catch (const std::exception& failure) {
        text += "(no version)" + LoadProblem(failure);
    }
    text += "\nPDFium " QUILLBY_PDFIUM_BUILD;
    try {
        pdfium::LoadPdfium();
    } catch (const std::exception& failure) {
        text += LoadProblem(failure);
    }
    return text + "\n";
}

}  // namespace quill
