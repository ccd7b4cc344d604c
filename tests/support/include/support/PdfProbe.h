#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

// A finished PDF as other programs read it: poppler's pdftotext and pdfinfo, and the qpdf
// command. Each throws std::runtime_error when its tool fails.
namespace quill::test {

// A word on a page, in points from the page's top left corner.
struct PdfWord {
    double xMin, yMin, xMax, yMax;
    std::string text;
};

struct PdfPage {
    double width, height;
    std::vector<PdfWord> words;  // in reading order
};

// Every page's words with their boxes (pdftotext -bbox).
std::vector<PdfPage> PdfWords(const std::string& pdf);

// The document information pdfinfo prints: "Title" -> text, "Pages" -> "12", ...
std::map<std::string, std::string> PdfInfo(const std::string& pdf);

// qpdf's JSON description (version 2) of the file, limited to the given top-level keys.
nlohmann::json QpdfJson(const std::string& pdf, const std::vector<std::string>& keys);

// One object of a "qpdf" JSON description, by its reference ("12 0 R") or "trailer".
nlohmann::json QpdfObject(const nlohmann::json& description, const std::string& ref);

// A picture drawn on a page, as "pdfimages -list" lists it (masks left out): its pixels and
// its resolution as drawn, so that its drawn size in points is width / xPpi * 72.
struct PdfImage {
    int page;
    int width, height;
    double xPpi, yPpi;
};
std::vector<PdfImage> PdfImages(const std::string& pdf);

// What "qpdf --check" says; empty when it finds nothing wrong.
std::string QpdfProblems(const std::string& pdf);

}  // namespace quill::test
