#include "page/RenderProtocol.h"

#include "common/PercentEncoding.h"

namespace quill::render {

namespace {

// An empty word still takes its place in the line.
std::string Encode(std::string_view word) {
    return word.empty() ? "%" : PercentEncode(word);
}

}  // namespace

std::string EncodeLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        line += line.empty() ? "" : " ";
        line += Encode(word);
    }
    return line + "\n";
}

std::vector<std::string> DecodeLine(std::string_view line) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= line.size()) {
        const size_t end = line.find(' ', start);
        words.push_back(PercentDecode(line.substr(start, end - start)));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return words;
}

std::string EncodeRequest(const Request& request) {
    return EncodeLine({request.kind == PageKind::Chapter ? "chapter" : "page", request.source,
                       request.pdf, PageLookText(request.look)});
}

std::optional<Request> DecodeRequest(std::string_view line) {
    const std::vector<std::string> words = DecodeLine(line);
    if (words.size() < 3 || words.size() > 4 || (words[0] != "chapter" && words[0] != "page")) {
        return std::nullopt;
    }
    const std::optional<PageLook> look =
        words.size() == 4 ? ReadPageLook(words[3]) : std::optional<PageLook>(PageLook{});
    if (!look) {
        return std::nullopt;
    }
    return Request{words[0] == "chapter" ? PageKind::Chapter : PageKind::Page, words[1], words[2],
                   *look};
}

}  // namespace quill::render
