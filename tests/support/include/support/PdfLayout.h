#pragma once

#include <string>
#include <vector>

// A finished PDF's text laid out in lines, and its pages as a reader sees them: poppler's
// pdftotext -bbox-layout and pdftoppm. Each throws std::runtime_error when its tool fails.
namespace quill::test {

// A line of text, in points from the page's top left corner, with the block (a paragraph,
// or a heading) it belongs to, counted over the page.
struct PdfLine {
    double xMin, yMin, xMax, yMax;
    std::string text;  // its words, separated by single blanks
    int block;
};

struct PdfLinePage {
    double width, height;
    std::vector<PdfLine> lines;  // in reading order
};

std::vector<PdfLinePage> PdfLines(const std::string& pdf);

// The mean grey of a page (1 and up) drawn in grey levels, from 0 (black) to 255 (white).
double MeanGrey(const std::string& pdf, int page);

}  // namespace quill::test
