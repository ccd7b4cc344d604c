// Merging the chapter PDFs into the book.
#include "assembly/BookBuilder.h"
#include "assembly/PdfiumCore.h"
#include "common/Paths.h"

namespace quill {

int AppendPdf(const std::string& FileName, TPdfDocument& Book) {
    if (!FileExists(FileName)) {
        return 0;
    }
    TPdfDocument source;
    source.LoadFromFile(FileName, "", TPdfDocumentLoadOption::dloMMF);
    const int count = source.PageCount();
    Book.ImportPages(source, "", -1);
    return count;
}

}  // namespace quill
