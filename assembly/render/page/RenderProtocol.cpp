#include "page/RenderProtocol.h"

namespace quill::render {

namespace {

bool PlainByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '.' || c == '_' || c == '-' || c == '~';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string Encode(std::string_view word) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (PlainByte(byte)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    // An empty word still takes its place in the line.
    return out.empty() ? "%" : out;
}

std::string Decode(std::string_view word) {
    std::string out;
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] == '%' && i + 2 < word.size() && HexValue(word[i + 1]) >= 0 &&
            HexValue(word[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(word[i + 1]) * 16 + HexValue(word[i + 2]));
            i += 2;
        } else if (word[i] != '%') {
            out += word[i];
        }
    }
    return out;
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
        words.push_back(Decode(line.substr(start, end - start)));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return words;
}

std::string EncodeRequest(const Request& request) {
    return EncodeLine(
        {request.kind == PageKind::Chapter ? "chapter" : "page", request.source, request.pdf});
}

std::optional<Request> DecodeRequest(std::string_view line) {
    const std::vector<std::string> words = DecodeLine(line);
    if (words.size() != 3 || (words[0] != "chapter" && words[0] != "page")) {
        return std::nullopt;
    }
    return Request{words[0] == "chapter" ? PageKind::Chapter : PageKind::Page, words[1], words[2]};
}

}  // namespace quill::render
