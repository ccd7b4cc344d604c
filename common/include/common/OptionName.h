#pragma once

#include <string>

namespace quill {

// How the user wrote an option, for a message about it: "--page" for a long option of the
// getopt_long table `options` (ended by an entry without a name), "-x" for a short one.
template <typename Option>
std::string OptionName(const Option* options, int value) {
    for (const Option* entry = options; entry->name != nullptr; ++entry) {
        if (entry->val == value) {
            return std::string("--") + entry->name;
        }
    }
    return std::string("-") + static_cast<char>(value);
}

}  // namespace quill
