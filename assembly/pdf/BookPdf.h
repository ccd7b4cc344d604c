#pragma once

// The steps that turn the merged pages into the finished book, each on the open qpdf
// document.

#include <qpdf/QPDF.hh>

#include <string>
#include <string_view>

#include "pdf/BookFinish.h"

namespace quill::bookpdf {

// Title, author, creator, producer, dates and the story's address.
void SetDocumentInfo(QPDF& pdf, const BookContents& contents);

// The catalog's /Lang: the story's language tag, when it is a well-formed one.
void SetLanguage(QPDF& pdf, const std::string& language);

// One bookmark for the cover and one per chapter; the viewer opens with them shown.
void AddOutline(QPDF& pdf, const BookContents& contents);

// The cover's pages are labelled "Cover", the chapter pages 1, 2, 3 ...
void AddPageLabels(QPDF& pdf, int coverPages);

// Prints the page number at the foot of every page from firstPage on, counting from 1.
void DrawPageNumbers(QPDF& pdf, int firstPage, const PageFinish& finish);

// Paints every page from firstPage on in the dark pages' colour, under its own content.
void PaintDarkPages(QPDF& pdf, int firstPage);

}  // namespace quill::bookpdf
