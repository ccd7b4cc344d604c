#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/Errors.h"

namespace quill {

// A failure reported by the PDF engine or the document layer.
class EPdfException : public Exception {
  public:
    using Exception::Exception;
};

enum class TPdfDocumentLoadOption {
    dloNormal,   // read the whole file into memory
    dloMMF,      // map the file into memory read-only
    dloOnDemand  // let the engine read the file through a callback
};

// Save flags, handed unchanged to the engine.
constexpr int kPdfSaveIncremental = 1;
constexpr int kPdfSaveNoIncremental = 2;
constexpr int kPdfSaveRemoveSecurity = 3;

// A PDF document of the engine. The first one created loads and initialises the engine.
class TPdfDocument {
  public:
    TPdfDocument();   // Create
    ~TPdfDocument();  // Destroy: Close
    TPdfDocument(const TPdfDocument&) = delete;
    TPdfDocument& operator=(const TPdfDocument&) = delete;

    // Closes any open document and starts a new, empty one.
    bool NewDocument();
    // Opens a PDF file; any failure leaves the object closed and reusable.
    void LoadFromFile(const std::string& AFileName, const std::string& APassword = "",
                      TPdfDocumentLoadOption ALoadOptions = TPdfDocumentLoadOption::dloMMF);
    int PageCount() const;
    // Copies pages of Source (all of them for an empty Range) to position Index
    // (after the last page when negative).
    bool ImportPages(TPdfDocument& Source, const std::string& Range = "", int Index = -1);
    // Writes the document to a file, creating or truncating it.
    void SaveToFile(const std::string& AFileName, int Option = kPdfSaveRemoveSecurity,
                    int FileVersion = -1);
    bool SaveToStream(std::ostream& Stream, int Option = kPdfSaveRemoveSecurity,
                      int FileVersion = -1);
    void Close();

    bool Active() const;
    const std::string& FileName() const { return FFileName; }
    // The engine's document handle (FPDF_DOCUMENT of PdfiumLib.h), for engine calls this
    // class does not wrap; null while closed.
    void* Handle() const;
    // True when the engine reported features it does not support while the document was
    // opened with dloOnDemand; the other load options do not track this.
    bool UnsupportedFeatures() const;

  private:
    struct State;
    std::unique_ptr<State> FState;  // engine handles, file mapping, page slots
    std::string FFileName;
};

// Shuts the engine down and unloads it, so that the next document loads it afresh. The
// engine otherwise stays loaded until the program ends. No document may be open.
void ReleasePdfEngine();

}  // namespace quill
