#include "support/PdfLayout.h"

#include <chrono>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "support/Process.h"

namespace quill::test {

std::vector<PdfLinePage> PdfLines(const std::string& pdf) {
    const std::string xhtml = ToolOutput({"pdftotext", "-enc", "UTF-8", "-bbox-layout", pdf, "-"});
    static const std::regex kPage(R"re(<page width="([0-9.]+)" height="([0-9.]+)">)re");
    static const std::regex kLine(
        R"re(<line xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">)re");
    static const std::regex kWord(R"re(<word [^>]*>([^<]*)</word>)re");
    std::vector<PdfLinePage> pages;
    int block = -1;
    std::istringstream lines(xhtml);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_search(line, m, kPage)) {
            pages.push_back({std::stod(m[1]), std::stod(m[2]), {}});
            block = -1;
        } else if (line.find("<block ") != std::string::npos) {
            ++block;
        } else if (std::regex_search(line, m, kLine) && !pages.empty()) {
            pages.back().lines.push_back(
                {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), "", block});
        } else if (std::regex_search(line, m, kWord) && !pages.empty() &&
                   !pages.back().lines.empty()) {
            std::string& text = pages.back().lines.back().text;
            text += (text.empty() ? "" : " ") + m[1].str();
        }
    }
    return pages;
}

double MeanGrey(const std::string& pdf, int page) {
    const std::string number = std::to_string(page);
    const std::string pgm =
        ToolOutput({"pdftoppm", "-r", "30", "-gray", "-f", number, "-l", number, pdf});
    // "P5\n<width> <height>\n255\n" and then one byte a pixel.
    std::istringstream head(pgm);
    std::string magic;
    size_t width = 0, height = 0, levels = 0;
    head >> magic >> width >> height >> levels;
    const size_t start = static_cast<size_t>(head.tellg()) + 1;
    if (magic != "P5" || levels != 255 || pgm.size() < start + width * height) {
        throw std::runtime_error("pdftoppm gave no grey picture of page " + number);
    }
    double sum = 0;
    for (size_t i = start; i < start + width * height; ++i) {
        sum += static_cast<unsigned char>(pgm[i]);
    }
    return sum / static_cast<double>(width * height);
}

}  // namespace quill::test
