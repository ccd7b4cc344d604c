// Merges chapter PDFs into one book exactly as the book builder does: a new document,
// each chapter mapped, imported at the end and closed, one save that drops the sources'
// security, then the finishing step (outline, information, page labels and numbers) that
// writes the book. Usage: bench_merge BOOK.pdf CHAPTER.pdf...

#include <cstdio>
#include <iostream>

#include "pdf/BookFinish.h"
#include "pdfium/PdfiumCore.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: bench_merge BOOK.pdf CHAPTER.pdf...\n";
        return 2;
    }
    const std::string bookPath = argv[1];
    const std::string merged = bookPath + ".merged";
    try {
        quill::BookContents contents;
        contents.title = "Merge Bench";
        int pages = 0;
        {
            quill::TPdfDocument book;
            book.NewDocument();
            for (int i = 2; i < argc; ++i) {
                quill::TPdfDocument chapter;
                chapter.LoadFromFile(argv[i], "", quill::TPdfDocumentLoadOption::dloMMF);
                contents.chapters.push_back(
                    {i - 1, "Chapter " + std::to_string(i - 1), book.PageCount()});
                book.ImportPages(chapter, "", -1);
            }
            book.SaveToFile(merged, quill::kPdfSaveRemoveSecurity, -1);
            pages = book.PageCount();
        }
        quill::WriteFinishedBook(merged, contents, bookPath);
        std::remove(merged.c_str());
        std::cout << pages << " pages\n";
    } catch (const std::exception& e) {
        std::remove(merged.c_str());
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
