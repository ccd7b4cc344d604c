// Soft hyphens in a chapter's rendered copy, where the language's dictionary allows a break.
#include "cleaning/SoftHyphens.h"

#include <hyphen.h>
#include <iconv.h>
#include <locale.h>
#include <sys/stat.h>
#include <wctype.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bookjob/BookChoices.h"
#include "common/Text.h"
#include "common/Utf8.h"

namespace quill {

namespace {

// Raised when the rule for where hyphens go changes, so that no page rendered by the old
// rule is taken for the new one.
constexpr int kSoftHyphenRule = 1;
constexpr std::string_view kSoftHyphen = "\xC2\xAD";
// libhyphen's own bound on a word's length.
constexpr size_t kLongestWord = MAX_CHARS - 1;
// At least two letters before a break and three after it, whatever a dictionary says:
// "a-" or "-ly" on a line of their own read badly in any language.
constexpr int kLeftMin = 2, kRightMin = 3;

// Text inside these keeps its words whole: code, keys, program output and variables are
// shown as written, and headings are set ragged, where a broken word only looks torn.
constexpr std::array<std::string_view, 11> kVerbatim = {"pre", "code", "kbd", "samp", "var", "h1",
                                                        "h2",  "h3",   "h4",  "h5",   "h6"};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsAsciiLetters(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

// A tag's subtags: language (2 or 3 letters), then an optional script (4 letters) and
// region (2 letters or 3 digits); the rest does not choose a dictionary.
struct LanguageTag {
    std::string language;
    std::string region;
};

std::optional<LanguageTag> ReadTag(const std::string& tag) {
    std::vector<std::string> subtags;
    size_t start = 0;
    while (start <= tag.size()) {
        const size_t end = std::min(tag.find_first_of("-_", start), tag.size());
        subtags.push_back(tag.substr(start, end - start));
        start = end + 1;
    }
    const bool emptySubtag = std::any_of(subtags.begin(), subtags.end(),
                                         [](const std::string& subtag) { return subtag.empty(); });
    if (emptySubtag || subtags[0].size() < 2 || subtags[0].size() > 3 ||
        !IsAsciiLetters(subtags[0])) {
        return std::nullopt;
    }
    LanguageTag read{LowerAscii(subtags[0]), ""};
    size_t next = 1;
    if (next < subtags.size() && subtags[next].size() == 4 && IsAsciiLetters(subtags[next])) {
        ++next;
    }
    if (next < subtags.size() && subtags[next].size() == 2 && IsAsciiLetters(subtags[next])) {
        for (const char c : subtags[next]) {
            read.region += static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
        }
    }
    return read;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FileIdentity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return path;
    }
    return path + " " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}

}  // namespace

std::string HyphenationDictionary(const std::string& language, const std::string& folder) {
    const std::optional<LanguageTag> tag = ReadTag(language);
    if (!tag || tag->language == "und") {
        return "";
    }
    const std::string base = folder + "/hyph_" + tag->language;
    if (!tag->region.empty() && IsFile(base + "_" + tag->region + ".dic")) {
        return base + "_" + tag->region + ".dic";
    }
    if (IsFile(base + ".dic")) {
        return base + ".dic";
    }
    // Any region's, the first by name, so that the choice does not depend on the folder's
    // order.
    std::vector<std::string> regions;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const std::string prefix = "hyph_" + tag->language + "_";
        if (name.size() == prefix.size() + 6 && StartsWith(name, prefix) &&
            EndsWith(name, ".dic") && IsAsciiLetters(name.substr(prefix.size(), 2)) &&
            IsFile(entry.path().string())) {
            regions.push_back(entry.path().string());
        }
    }
    std::sort(regions.begin(), regions.end());
    return regions.empty() ? "" : regions.front();
}

struct SoftHyphens::Dictionary {
    HyphenDict* dict = nullptr;
    iconv_t toCharset = reinterpret_cast<iconv_t>(-1);  // for a dictionary not in UTF-8
    locale_t ctype = nullptr;                           // letters and cases of all scripts

    ~Dictionary() {
        if (dict != nullptr) {
            hnj_hyphen_free(dict);
        }
        if (toCharset != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(toCharset);
        }
        if (ctype != nullptr) {
            freelocale(ctype);
        }
    }

    // The lower-cased word in the dictionary's characters, one byte a letter unless it is
    // UTF-8; nothing when a letter has no place in its character set.
    std::optional<std::string> Encode(std::u32string_view word) const {
        std::string utf8;
        for (const char32_t c : word) {
            AppendUtf8(utf8, static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), ctype)));
        }
        if (dict->utf8) {
            return utf8;
        }
        std::string out(word.size(), '\0');
        char* in = utf8.data();
        size_t inLeft = utf8.size();
        char* to = out.data();
        size_t outLeft = out.size();
        iconv(toCharset, nullptr, nullptr, nullptr, nullptr);
        if (iconv(toCharset, &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1) ||
            inLeft != 0 || outLeft != 0) {
            return std::nullopt;
        }
        return out;
    }
};

SoftHyphens::SoftHyphens(const std::string& language, const std::string& folder) {
    if (!JustifiedInPrint(language)) {
        return;
    }
    path_ = HyphenationDictionary(language, folder);
    if (!path_.empty()) {
        identity_ = "soft hyphens " + std::to_string(kSoftHyphenRule) + " " +
                    PrimaryLanguage(language) + " " + FileIdentity(path_);
    }
}

const SoftHyphens::Dictionary* SoftHyphens::Loaded() const {
    if (tried_ || path_.empty()) {
        return dictionary_.get();
    }
    tried_ = true;
    auto dictionary = std::make_unique<Dictionary>();
    dictionary->ctype = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    dictionary->dict = hnj_hyphen_load(path_.c_str());
    if (dictionary->ctype == nullptr || dictionary->dict == nullptr) {
        return nullptr;
    }
    if (!dictionary->dict->utf8) {
        dictionary->toCharset = iconv_open(dictionary->dict->cset, "UTF-8");
        if (dictionary->toCharset == reinterpret_cast<iconv_t>(-1)) {
            return nullptr;
        }
    }
    dictionary_ = std::move(dictionary);
    return dictionary_.get();
}

SoftHyphens::~SoftHyphens() = default;

std::string SoftHyphens::HyphenateWord(const Dictionary& dictionary,
                                       std::u32string_view word) const {
    std::string out;
    const std::optional<std::string> encoded =
        word.size() <= kLongestWord ? dictionary.Encode(word) : std::nullopt;
    std::vector<char> hyphens(encoded ? encoded->size() + 5 : 0, '0');
    char** rep = nullptr;
    int* pos = nullptr;
    int* cut = nullptr;
    const bool found =
        encoded &&
        hnj_hyphen_hyphenate3(dictionary_->dict, encoded->data(), static_cast<int>(encoded->size()),
                              hyphens.data(), nullptr, &rep, &pos, &cut, kLeftMin, kRightMin,
                              kLeftMin, kRightMin) == 0;
    for (size_t k = 0; k < word.size(); ++k) {
        AppendUtf8(out, word[k]);
        // The points are counted in letters. A break that changes the letters around it
        // (old German "Schiff-fahrt") is not taken: a soft hyphen can only add one.
        const bool standard = rep == nullptr || rep[k] == nullptr;
        if (found && k + 1 < word.size() && (hyphens[k] & 1) != 0 && standard) {
            out += kSoftHyphen;
        }
    }
    if (rep != nullptr) {
        for (size_t k = 0; k < (encoded ? encoded->size() : 0); ++k) {
            std::free(rep[k]);
        }
        std::free(rep);
    }
    std::free(pos);
    std::free(cut);
    return out;
}

std::string SoftHyphens::Insert(std::string_view xhtml) const {
    const Dictionary* dictionary = Loaded();
    if (dictionary == nullptr) {
        return std::string(xhtml);
    }
    std::string out;
    out.reserve(xhtml.size() + xhtml.size() / 8);
    std::u32string word;
    const auto flush = [&] {
        if (word.size() >= kShortestWord) {
            out += HyphenateWord(*dictionary, word);
        } else {
            for (const char32_t c : word) {
                AppendUtf8(out, c);
            }
        }
        word.clear();
    };
    int verbatim = 0;  // open elements whose text stays as written
    size_t i = 0;
    while (i < xhtml.size()) {
        const char c = xhtml[i];
        if (c == '<' || c == '&') {
            flush();
            // A tag runs to its ">", which a quoted attribute value may hold; a reference
            // to its ";".
            size_t end = i + 1;
            char quote = 0;
            for (; end < xhtml.size(); ++end) {
                const char e = xhtml[end];
                if (c == '&' ? e == ';' : (quote == 0 && e == '>')) {
                    break;
                }
                if (c == '<' && (e == '"' || e == '\'')) {
                    quote = quote == 0 ? e : (quote == e ? 0 : quote);
                }
            }
            const std::string_view markup = xhtml.substr(i, end + 1 - i);
            if (c == '<') {
                const bool closing = markup.size() > 1 && markup[1] == '/';
                const size_t nameStart = closing ? 2 : 1;
                const size_t nameEnd = markup.find_first_of(" \t\n/>", nameStart);
                const std::string_view name = markup.substr(nameStart, nameEnd - nameStart);
                const bool empty = markup.size() > 2 && markup[markup.size() - 2] == '/';
                if (std::find(kVerbatim.begin(), kVerbatim.end(), name) != kVerbatim.end() &&
                    !empty) {
                    verbatim += closing ? (verbatim > 0 ? -1 : 0) : 1;
                }
            }
            out += markup;
            i = end + 1;
            continue;
        }
        const Utf8Char decoded = DecodeUtf8(xhtml, i);
        if (verbatim == 0 &&
            iswalpha_l(static_cast<wint_t>(decoded.code), dictionary->ctype) != 0) {
            word += decoded.code;
        } else {
            flush();
            out.append(xhtml.substr(i, decoded.length));
        }
        i += decoded.length;
    }
    flush();
    return out;
}

}  // namespace quill
