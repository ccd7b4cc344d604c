#include "support/PdfProbe.h"

#include <chrono>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "support/Process.h"

namespace quill::test {

namespace {

// pdftotext writes the words as XHTML text.
std::string Unescape(std::string text) {
    static const std::pair<const char*, const char*> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : kEntities) {
        for (size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1)) {
            text.replace(at, std::char_traits<char>::length(entity), plain);
        }
    }
    return text;
}

}  // namespace

std::vector<PdfPage> PdfWords(const std::string& pdf) {
    const std::string xhtml = ToolOutput({"pdftotext", "-enc", "UTF-8", "-bbox", pdf, "-"});
    static const std::regex kPage(R"re(<page width="([0-9.]+)" height="([0-9.]+)">)re");
    static const std::regex kWord(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::vector<PdfPage> pages;
    std::istringstream lines(xhtml);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_search(line, m, kPage)) {
            pages.push_back({std::stod(m[1]), std::stod(m[2]), {}});
        } else if (std::regex_search(line, m, kWord) && !pages.empty()) {
            pages.back().words.push_back({std::stod(m[1]), std::stod(m[2]), std::stod(m[3]),
                                          std::stod(m[4]), Unescape(m[5])});
        }
    }
    return pages;
}

std::vector<PdfImage> PdfImages(const std::string& pdf) {
    std::vector<PdfImage> images;
    std::istringstream lines(ToolOutput({"pdfimages", "-list", pdf}));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        PdfImage image{};
        std::string number, type, skip;
        if (!(fields >> image.page >> number >> type >> image.width >> image.height) ||
            type != "image") {
            continue;  // the header lines, and masks
        }
        for (int i = 0; i < 7; ++i) {
            fields >> skip;  // color, comp, bpc, enc, interp, object, ID
        }
        if (fields >> image.xPpi >> image.yPpi) {
            images.push_back(image);
        }
    }
    return images;
}

std::map<std::string, std::string> PdfInfo(const std::string& pdf) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(ToolOutput({"pdfinfo", "-enc", "UTF-8", pdf}));
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const size_t value = line.find_first_not_of(' ', colon + 1);
        fields[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
    }
    return fields;
}

nlohmann::json QpdfJson(const std::string& pdf, const std::vector<std::string>& keys) {
    std::vector<std::string> argv = {"qpdf", "--json=2"};
    for (const std::string& key : keys) {
        argv.push_back("--json-key=" + key);
    }
    argv.push_back(pdf);
    return nlohmann::json::parse(ToolOutput(argv));
}

nlohmann::json QpdfObject(const nlohmann::json& description, const std::string& ref) {
    const nlohmann::json& objects = description.at("qpdf").at(1);
    const std::string key = ref == "trailer" ? ref : "obj:" + ref;
    return objects.at(key).at("value");
}

std::string QpdfProblems(const std::string& pdf) {
    const RunResult r = Run({"qpdf", "--check", pdf}, {}, std::chrono::seconds(60));
    const bool clean = r.succeeded() && r.stdErr.empty() &&
                       r.stdOut.find("No syntax or stream encoding errors") != std::string::npos;
    return clean ? "" : r.stdOut + r.stdErr;
}

}  // namespace quill::test
