#include "common/LanguageTag.h"

#include <algorithm>
#include <set>
#include <vector>

#include "common/Text.h"

namespace quill {

namespace {

// Longer than any tag a site means seriously; the registry's longest useful tags are about
// 20 characters.
constexpr size_t kMaxTagLength = 64;

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllOf(std::string_view text, bool (*test)(char)) {
    return !text.empty() && std::all_of(text.begin(), text.end(), test);
}

bool IsAlnum(char c) {
    return IsAlpha(c) || IsDigit(c);
}

std::vector<std::string> Subtags(std::string_view text) {
    std::vector<std::string> subtags;
    size_t start = 0;
    for (;;) {
        const size_t dash = text.find('-', start);
        subtags.push_back(LowerAscii(text.substr(start, dash - start)));
        if (dash == std::string_view::npos) {
            return subtags;
        }
        start = dash + 1;
    }
}

// Walks the subtags in the grammar's order, leaving `at` after what it took.
class TagReader {
  public:
    explicit TagReader(std::vector<std::string> subtags) : subtags_(std::move(subtags)) {}

    bool Read() {
        if (!Language()) {
            return false;
        }
        Optional(4, 4, IsAlpha, &TagReader::TitleCase);  // script
        if (!Optional(2, 2, IsAlpha, &TagReader::UpperCase)) {
            Optional(3, 3, IsDigit, nullptr);  // region
        }
        while (Variant()) {
        }
        std::set<char> singletons;
        while (at_ < subtags_.size() && subtags_[at_].size() == 1 && subtags_[at_] != "x") {
            if (!singletons.insert(subtags_[at_][0]).second || !Extension()) {
                return false;
            }
        }
        if (at_ < subtags_.size() && subtags_[at_] == "x" && !PrivateUse()) {
            return false;
        }
        return at_ == subtags_.size();
    }

    std::string Joined() const {
        std::string tag;
        for (const std::string& subtag : subtags_) {
            tag += (tag.empty() ? "" : "-") + subtag;
        }
        return tag;
    }

  private:
    bool Language() {
        const std::string& first = subtags_[0];
        if (!AllOf(first, IsAlpha) || first.size() < 2 || first.size() > 8) {
            return false;
        }
        at_ = 1;
        if (first.size() <= 3) {
            for (int extlang = 0; extlang < 3 && Optional(3, 3, IsAlpha, nullptr); ++extlang) {
            }
        }
        return true;
    }

    bool Variant() {
        if (at_ >= subtags_.size()) {
            return false;
        }
        const std::string& s = subtags_[at_];
        const bool fits = AllOf(s, IsAlnum) &&
                          ((s.size() >= 5 && s.size() <= 8) || (s.size() == 4 && IsDigit(s[0])));
        at_ += fits;
        return fits;
    }

    bool Extension() {
        ++at_;
        size_t taken = 0;
        while (Optional(2, 8, IsAlnum, nullptr)) {
            ++taken;
        }
        return taken > 0;
    }

    bool PrivateUse() {
        ++at_;
        size_t taken = 0;
        while (Optional(1, 8, IsAlnum, nullptr)) {
            ++taken;
        }
        return taken > 0;
    }

    bool Optional(size_t low, size_t high, bool (*test)(char), void (*write)(std::string&)) {
        if (at_ >= subtags_.size()) {
            return false;
        }
        std::string& s = subtags_[at_];
        if (s.size() < low || s.size() > high || !AllOf(s, test)) {
            return false;
        }
        if (write != nullptr) {
            write(s);
        }
        ++at_;
        return true;
    }

    static void TitleCase(std::string& s) { s[0] = static_cast<char>(s[0] - 'a' + 'A'); }
    static void UpperCase(std::string& s) {
        for (char& c : s) {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }

    std::vector<std::string> subtags_;
    size_t at_ = 0;
};

}  // namespace

std::optional<std::string> WellFormedLanguageTag(std::string_view text) {
    if (text.empty() || text.size() > kMaxTagLength) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (!IsAlnum(c) && c != '-') {
            return std::nullopt;  // blanks, underscores ("en_US") and everything else
        }
    }
    TagReader reader(Subtags(text));
    if (!reader.Read()) {
        return std::nullopt;
    }
    return reader.Joined();
}

bool IsRightToLeftLanguage(std::string_view tag) {
    static const std::set<std::string, std::less<>> kRtlScripts = {
        "adlm", "arab", "aran", "hebr", "mand", "mend", "nkoo", "rohg", "samr", "syrc", "thaa"};
    static const std::set<std::string, std::less<>> kRtlLanguages = {
        "ar", "arc", "azb", "bal", "bqi", "ckb", "dv", "fa",  "glk", "he", "iw", "ji",
        "ks", "lrc", "mzn", "pnb", "prs", "ps",  "sd", "sdh", "syr", "ug", "ur", "yi"};
    const std::vector<std::string> subtags = Subtags(tag);
    for (size_t i = 1; i < subtags.size(); ++i) {
        if (subtags[i].size() == 4 && AllOf(subtags[i], IsAlpha)) {
            return kRtlScripts.count(subtags[i]) > 0;
        }
        if (subtags[i].size() != 3 || !AllOf(subtags[i], IsAlpha)) {
            break;  // past the extended languages, where a script would stand
        }
    }
    return kRtlLanguages.count(subtags[0]) > 0;
}

}  // namespace quill
