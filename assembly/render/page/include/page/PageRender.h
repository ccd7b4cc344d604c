#pragma once

#include <string>

#include "common/Errors.h"
#include "page/RenderProtocol.h"

// The render worker's side of the book build: the engine in this process.
namespace quill {

// A page that cannot be read or cleaned.
class EPageInputError : public Exception {
  public:
    using Exception::Exception;
};

// Renders what the request names: a chapter through a cleaned copy of it, the cover page as
// it stands. Throws EPageInputError for a page that cannot be read or cleaned, the engine's
// errors (EConvertError...) and the errors of writing files (EFCreateError, EWriteError).
void RenderInProcess(const render::Request& request);

// Everything besides the page itself that shapes a rendered PDF: the engine (its version
// and files), the render settings, the document a cleaned chapter is put into and the
// cleaning's version.
std::string RenderFingerprint(const std::string& engineIdentity);

// The engine library's version, loading the library (without starting the engine) when it
// is not loaded yet. Throws EWkHtmlToXError when it cannot be loaded.
std::string EngineVersion();

}  // namespace quill
