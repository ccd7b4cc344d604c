// Merges chapter PDFs into one book exactly as the book builder does: a new document,
// each chapter mapped, imported at the end and closed, then one save that drops the
// sources' security. Usage: bench_merge BOOK.pdf CHAPTER.pdf...

#include <iostream>

#include "assembly/PdfiumCore.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: bench_merge BOOK.pdf CHAPTER.pdf...\n";
        return 2;
    }
    try {
        quill::TPdfDocument book;
        book.NewDocument();
        for (int i = 2; i < argc; ++i) {
            quill::TPdfDocument chapter;
            chapter.LoadFromFile(argv[i], "", quill::TPdfDocumentLoadOption::dloMMF);
            book.ImportPages(chapter, "", -1);
        }
        book.SaveToFile(argv[1], quill::kPdfSaveRemoveSecurity, -1);
        std::cout << book.PageCount() << " pages\n";
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
