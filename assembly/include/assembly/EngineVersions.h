#pragma once

#include <string>

namespace quill {

// What --version shows of the two engines, one line each: the HTML engine's own version
// (loading its library), and the PDF engine's build, which has no version call of its own.
// An engine that cannot be loaded is named with the reason; this never throws.
std::string EngineVersions();

}  // namespace quill
