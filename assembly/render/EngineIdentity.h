#pragma once

#include <string>

namespace quill {

// What identifies the HTML engine the render worker loads, for the render cache: its
// version and the files it runs from (the wkhtmltox library and Qt WebKit), each with its
// size and time. The worker loads the library named `library`; learning the identity takes
// loading it once here, so it is kept in a record in cacheFolder and reused while the
// library's name, the search path, the worker and those files stay the same.
std::string EngineIdentity(const std::string& cacheFolder, const std::string& library,
                           const std::string& renderer);

}  // namespace quill
