#pragma once

#include <string>

#include "common/Errors.h"
#include "page/RenderProtocol.h"

// The render worker's side of the book build: the engine in this process.
namespace quill {

// A page that cannot be read.
class EPageInputError : public Exception {
  public:
    using Exception::Exception;
};

// Renders what the request names: a chapter's rendered copy with the book's page style, the
// cover page as it stands. Throws EPageInputError for a page that cannot be read, the
// engine's errors (EConvertError...) and the errors of writing files (EFCreateError,
// EWriteError).
void RenderInProcess(const render::Request& request);

// The engine settings every page is rendered with, one "name=value" line each.
std::string PageSettingsText();

// Renders one HTML file to one PDF file with fresh settings and a fresh converter, in this
// process. Local files may be read only from the HTML file's own folder; the PDF file
// appears whole or not at all. A chapter (bookStyle) gets the book's page style in that look;
// the cover page is rendered as it is, on the look's page.
void HtmlToPdf(const std::string& HtmlFile, const std::string& PdfFile, bool bookStyle = false,
               const PageLook& look = {});

// The "file:///..." address of a local file: every byte but RFC 3986's unreserved characters
// and "/" percent-encoded (a Windows drive's colon stays).
std::string FilePathToUrl(const std::string& path);

// The engine library's version, loading the library (without starting the engine) when it
// is not loaded yet. Throws EWkHtmlToXError when it cannot be loaded.
std::string EngineVersion();

}  // namespace quill
