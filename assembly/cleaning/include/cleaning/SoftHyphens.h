#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quill {

// Where Debian's hyphen-* packages put their dictionaries (the patterns office suites use).
constexpr const char* kHyphenationFolder = "/usr/share/hyphen";

// Hyphenation points for justified text. The HTML engine breaks a line at a soft hyphen
// (U+00AD) and prints a hyphen there, but finds no hyphenation points of its own; libhyphen
// finds them with the language's dictionary. Only the rendered copy gets them: an EPUB
// reader hyphenates for itself. One object is used by one thread at a time.
class SoftHyphens {
  public:
    // The dictionary of that language (a BCP 47 tag such as "en-GB") in `folder`. No
    // hyphens for an empty or undetermined tag, a tag that is not well-formed, a script
    // that is not justified in print, or a language without a dictionary.
    explicit SoftHyphens(const std::string& language,
                         const std::string& folder = kHyphenationFolder);
    ~SoftHyphens();
    SoftHyphens(const SoftHyphens&) = delete;
    SoftHyphens& operator=(const SoftHyphens&) = delete;

    // Whether there is a dictionary to hyphenate with. It is read when the first text is
    // hyphenated: a large one takes seconds (German's, 2.4 s), which a build whose pages
    // all come from the render cache never spends.
    bool Active() const { return !path_.empty(); }

    // The XHTML fragment with a soft hyphen at every hyphenation point of each word of at
    // least kShortestWord letters in its text. Tags, attributes, character references and
    // the text of headings, pre, code, kbd, samp and var stay exactly as they are.
    std::string Insert(std::string_view xhtml) const;

    // What decides where the hyphens go, for the render cache's key: "none", or this
    // rule's version with the language and the dictionary's file, size and time.
    const std::string& Identity() const { return identity_; }

    static constexpr size_t kShortestWord = 6;

  private:
    struct Dictionary;
    std::string HyphenateWord(const Dictionary& dictionary, std::u32string_view word) const;
    // The dictionary, read now when it was not yet; null when it cannot be read.
    const Dictionary* Loaded() const;

    std::string path_;
    mutable std::unique_ptr<Dictionary> dictionary_;
    mutable bool tried_ = false;
    std::string identity_ = "none";
};

// The dictionary file for a language in folder: its region's (hyph_pt_BR.dic), else the
// language's own (hyph_de.dic), else one of its regions'; empty when there is none or the tag
// is not well-formed (nothing of it may reach a path but letters).
std::string HyphenationDictionary(const std::string& language, const std::string& folder);

}  // namespace quill
