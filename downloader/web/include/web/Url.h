#pragma once

#include <string>

namespace gsweb {

// A link as a page gives it, resolved against the page's own address as a URL reference
// (RFC 3986): "/12-x", "12-x", "//host/12-x" and full addresses alike. Leading and trailing
// blanks and controls are dropped and tabs and line breaks inside removed first, as browsers
// do; blanks left inside are percent-encoded. Throws quill::ValueError naming the link when
// either address cannot be read as a URL.
std::string ResolveUrl(const std::string& base, const std::string& link);

// "scheme://host:port" of an absolute address, in lower case and with the scheme's default
// port written out, so that two addresses are on the same site exactly when their origins
// are equal. Throws quill::ValueError when the address cannot be read.
std::string Origin(const std::string& url);

}  // namespace gsweb
