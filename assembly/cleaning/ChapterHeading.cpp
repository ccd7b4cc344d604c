// The heading a chapter's outline entry shows: the text of the chapter file's <h2>, read
// the way the rendered page shows it (entities decoded, markup ignored).
#include "ChapterHeading.h"

#include <fstream>

#include "cleaning/ChapterMarkup.h"

namespace quill {

namespace {

// The downloader writes the heading first; a file whose heading does not end within
// this much is read no further.
constexpr size_t kMostHeadingBytes = 64 * 1024;

std::string FileHead(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(kMostHeadingBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    return head;
}

// The text up to the first "</h2>", in any letter case.
std::string_view UpToHeadingEnd(std::string_view text) {
    for (size_t at = text.find("</"); at != std::string_view::npos; at = text.find("</", at + 2)) {
        const std::string_view tag = text.substr(at + 2, 2);
        if (tag.size() == 2 && (tag[0] == 'h' || tag[0] == 'H') && tag[1] == '2') {
            return text.substr(0, at);
        }
    }
    return text;
}

}  // namespace

std::string ReadChapterHeading(const std::string& htmlFile) {
    const std::string head = FileHead(htmlFile);
    // The same reading as the EPUB's table of contents, so both editions agree. A heading
    // that cannot be read leaves the entry untitled rather than the book unmade.
    try {
        return CleanChapter(std::string(UpToHeadingEnd(head)) + "</h2>").heading;
    } catch (const std::exception&) {
        return "";
    }
}

}  // namespace quill
