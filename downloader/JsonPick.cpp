#include "JsonPick.h"

#include <algorithm>

#include "web/Errors.h"

namespace quill {

namespace {

using Json = nlohmann::json;

// SAX events in, the wanted values out. Only the levels a path can reach are remembered;
// below them the depth alone is counted, so nesting a million levels deep costs nothing.
class Picker {
  public:
    explicit Picker(const std::vector<JsonPath>& paths) : paths_(paths), found_(paths.size()) {
        for (const JsonPath& path : paths) {
            maxDepth_ = std::max(maxDepth_, path.size());
        }
    }

    std::vector<std::optional<Json>> Found() && { return std::move(found_); }
    const std::string& error() const { return error_; }

    bool null() { return Value(Json(nullptr)); }
    bool boolean(bool value) { return Value(Json(value)); }
    bool number_integer(Json::number_integer_t value) { return Value(Json(value)); }
    bool number_unsigned(Json::number_unsigned_t value) { return Value(Json(value)); }
    bool number_float(Json::number_float_t value, const Json::string_t&) {
        return Value(Json(value));
    }
    bool string(Json::string_t& value) { return Value(Json(std::move(value))); }
    bool binary(Json::binary_t&) { return true; }
    bool start_object(std::size_t) { return Open(Json::object(), false); }
    bool start_array(std::size_t) { return Open(Json::array(), true); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(Json::string_t& name) {
        if (depth_ <= frames_.size()) {
            frames_[depth_ - 1].key = name;
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        error_ = error.what();
        return false;
    }

  private:
    struct Frame {
        bool array = false;
        std::string key;
    };

    bool Open(Json empty, bool array) {
        Value(std::move(empty));
        if (depth_ < maxDepth_) {
            frames_.push_back({array, {}});
        }
        ++depth_;
        return true;
    }

    bool Close() {
        if (depth_ <= frames_.size()) {
            frames_.pop_back();
        }
        --depth_;
        return true;
    }

    // Records a value that starts at the current place when a path leads there.
    bool Value(Json value) {
        if (depth_ > maxDepth_) {
            return true;
        }
        for (const Frame& frame : frames_) {
            if (frame.array) {
                return true;
            }
        }
        for (size_t i = 0; i < paths_.size(); ++i) {
            if (Here(paths_[i])) {
                found_[i] = value;
            } else if (Below(paths_[i])) {
                found_[i].reset();  // a repeated member replaces all that the first one held
            }
        }
        return true;
    }

    // Whether the path leads to the value that starts here, or into it.
    bool Here(const JsonPath& path) const {
        return path.size() == depth_ &&
               std::equal(frames_.begin(), frames_.begin() + depth_, path.begin(), SameKey);
    }

    bool Below(const JsonPath& path) const {
        return path.size() > depth_ &&
               std::equal(frames_.begin(), frames_.begin() + depth_, path.begin(), SameKey);
    }

    static bool SameKey(const Frame& frame, const JsonKey& key) { return key.Matches(frame.key); }

    const std::vector<JsonPath>& paths_;
    std::vector<std::optional<Json>> found_;
    std::vector<Frame> frames_;
    size_t maxDepth_ = 0;
    size_t depth_ = 0;
    std::string error_;
};

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool JsonKey::Matches(std::string_view key) const {
    if (!anyCase) {
        return key == name;
    }
    return key.size() == name.size() &&
           std::equal(key.begin(), key.end(), name.begin(),
                      [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

std::vector<std::optional<nlohmann::json>> PickJson(std::string_view text,
                                                    const std::vector<JsonPath>& paths,
                                                    bool wholeText) {
    Picker picker(paths);
    if (!Json::sax_parse(text.data(), text.data() + text.size(), &picker,
                         Json::input_format_t::json, wholeText)) {
        throw ValueError("not JSON: " + picker.error());
    }
    return std::move(picker).Found();
}

}  // namespace quill
