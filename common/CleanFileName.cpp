#include "common/CleanFileName.h"

#include <algorithm>
#include <utility>

#include "common/Text.h"

namespace quill {

namespace {

// The characters the file system refuses in a name besides the ones replaced above.
bool IsRefused(unsigned char c) {
#ifdef _WIN32
    if (c == '"') {
        return true;
    }
#endif
    return c < 0x20 || c == 0x7F;
}

constexpr char kFallbackName[] = "Untitled";

}  // namespace

std::string CleanFileName(const std::string& text) {
    // The order matters: blanks are collapsed before the steps that put blanks in.
    static const std::pair<const char*, const char*> kSteps[] = {
        {"   ", " "}, {"  ", " "}, {":", ""}, {"]", ""}, {"[", ""},   {"|", ""},
        {"<", ""},    {">", ""},   {"!", ""}, {"?", ""}, {"\\", " "}, {"/", " "},
        {"&", ""},    {"@", ""},   {"$", ""}, {"%", ""}, {",", " "},  {"'", ""},
        {"#", ""},    {"*", ""},   {"}", ""}, {"{", ""},
    };
    std::string name = text;
    for (const auto& [from, to] : kSteps) {
        name = ReplaceAll(name, from, to);
    }
    name.erase(std::remove_if(name.begin(), name.end(),
                              [](char c) { return IsRefused(static_cast<unsigned char>(c)); }),
               name.end());
    // A leading dot would hide the book; an empty name would leave only the extension.
    name.erase(0, name.find_first_not_of('.'));
    if (name.find_first_not_of(' ') == std::string::npos) {
        name = kFallbackName;
    }
    return name;
}

}  // namespace quill
