#pragma once

#include <string>

namespace quill {

// What identifies the fonts a rendered page may be drawn with, for the render cache: the
// font files fontconfig offers and the configuration files that choose among them, each
// with its size and time, as a digest. It is read afresh on every call, under the same
// environment the render worker inherits, so a font installed or removed, or a changed
// configuration, gives another text.
std::string FontSetIdentity();

}  // namespace quill
