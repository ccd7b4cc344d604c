#pragma once

// Reading a few members out of JSON that a page carries, without building the rest: a page
// can embed megabytes of data, and a tree of all of it would cost the downloader many times
// that in memory and time.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quill {

// A member name in a path, matched exactly or with ASCII case ignored.
struct JsonKey {
    // Not explicit, so that a path reads as the list of its names: {"author", "name"}.
    JsonKey(const char* key) : name(key) {}
    JsonKey(std::string key) : name(std::move(key)) {}
    static JsonKey AnyCase(std::string key) {
        JsonKey found(std::move(key));
        found.anyCase = true;
        return found;
    }
    bool Matches(std::string_view key) const;

    std::string name;
    bool anyCase = false;
};

// A path of member names from the top-level value; the empty path is that value itself.
using JsonPath = std::vector<JsonKey>;

// Reads the JSON value at the start of `text` and returns, for each path, the value found
// there: a number, text, true, false or null as it is, an object or array as an empty one
// (its content is never built). Of repeated members the last counts, as in a browser;
// values inside arrays are never picked. With `wholeText`, nothing but blanks may follow
// the value; otherwise whatever follows is not read. Throws ValueError when the text is no
// JSON.
std::vector<std::optional<nlohmann::json>> PickJson(std::string_view text,
                                                    const std::vector<JsonPath>& paths,
                                                    bool wholeText);

}  // namespace quill
