#include "common/CleanFileName.h"

#include <algorithm>
#include <utility>

namespace quill {

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    for (size_t hit = text.find(from); hit != std::string::npos; hit = text.find(from, start)) {
        out.append(text, start, hit - start);
        out += to;
        start = hit + from.size();
    }
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

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
        ReplaceAll(name, from, to);
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
