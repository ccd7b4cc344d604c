#pragma once

#include <string>
#include <string_view>

namespace quill {

// Text from outside (a title, an address, a library's message) made fit to stand inside one
// run-log line: invalid UTF-8 becomes U+FFFD, and every character that a reader could take
// for the end of a line (CR, LF, U+0085, U+2028, U+2029) or that has no business in a line
// (the other C0 and C1 controls, DEL) becomes a blank. So no value can start a line of its own,
// and a key such as "chapter:" only ever opens a line the downloader meant to write.
std::string OneLine(std::string_view text);

// The same text as a label (a book's title or author, a heading in its contents): one line
// as above, each run of blanks made one, none at either end.
std::string OneLineLabel(std::string_view text);

}  // namespace quill
