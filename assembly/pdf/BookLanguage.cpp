// The book's language in its catalog, where readers, screen readers and search look for it.
#include "BookPdf.h"
#include "common/LanguageTag.h"

namespace quill::bookpdf {

void SetLanguage(QPDF& pdf, const std::string& language) {
    const std::optional<std::string> tag = WellFormedLanguageTag(language);
    if (tag) {
        pdf.getRoot().replaceKey("/Lang", QPDFObjectHandle::newUnicodeString(*tag));
    }
}

}  // namespace quill::bookpdf
