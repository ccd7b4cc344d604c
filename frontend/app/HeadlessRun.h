#pragma once

#include <QString>

namespace quill {

class TMainfm;

// Runs the window's Download flow for url without showing the window: prints each log
// line as it appears and, when a book was made, its path as the last line. Returns the
// exit status: 0 with a book, 1 without.
int RunHeadless(TMainfm& form, const QString& url, bool openBook);

}  // namespace quill
