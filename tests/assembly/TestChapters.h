#pragma once

#include <string>

namespace quill::test {

// A chapter file as the downloader writes it, with `copies` paragraphs of the words: as
// slow to lay out as wanted.
inline std::string Chapter(const std::string& heading, const std::string& words, int copies = 1) {
    const std::string paragraph = "<p>" + words + "</p>\n";
    std::string doc = "<h2>" + heading + "</h2>\n<div class=\"page\">\n";
    doc.reserve(doc.size() + paragraph.size() * copies);
    for (int i = 0; i < copies; ++i) {
        doc += paragraph;
    }
    return doc + "</div>\n";
}

// About 8 MB of text: several seconds of layout even on an idle machine.
inline std::string HugeChapter(const std::string& heading) {
    std::string words;
    for (int i = 0; i < 12; ++i) {
        words += "The sea kept its counsel and the lamp turned slowly over the water. ";
    }
    return Chapter(heading, words, 10000);
}

}  // namespace quill::test
