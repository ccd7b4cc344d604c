// The PDF document layer against the real engine in engines/.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>
#include <type_traits>
#include <vector>

#include "pdfium/PdfiumCore.h"
#include "pdfium/PdfiumLib.h"
#include "platform/DynamicLibrary.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace std::chrono_literals;

// What a failure said, and its system error code for an EOSError.
struct Caught {
    std::string message;
    int code = -1;
};

template <typename Error, typename Body>
Caught Expect(Body body) {
    try {
        body();
    } catch (const Error& e) {
        Caught caught{e.what()};
        if constexpr (std::is_base_of_v<EOSError, Error>) {
            caught.code = e.ErrorCode();
        }
        return caught;
    }
    ADD_FAILURE() << "no error was raised";
    return {};
}

struct PageCloser {
    void operator()(pdfium::FpdfPage* page) const { pdfium::FPDF_ClosePage(page); }
};

pdfium::FPDF_DOCUMENT Engine(const TPdfDocument& document) {
    return static_cast<pdfium::FPDF_DOCUMENT>(document.Handle());
}

// A PDF with one blank page per width (all 500 pt high), written by the engine itself;
// the widths tell the pages apart after a merge.
void WritePdf(const std::string& path, const std::vector<double>& widths) {
    TPdfDocument document;
    ASSERT_TRUE(document.NewDocument());
    for (size_t i = 0; i < widths.size(); ++i) {
        std::unique_ptr<pdfium::FpdfPage, PageCloser> page(
            pdfium::FPDFPage_New(Engine(document), static_cast<int>(i), widths[i], 500));
        ASSERT_TRUE(page);
    }
    document.SaveToFile(path);
}

std::vector<double> PageWidths(const std::string& path) {
    TPdfDocument document;
    document.LoadFromFile(path);
    std::vector<double> widths;
    for (int i = 0; i < document.PageCount(); ++i) {
        double width = 0;
        double height = 0;
        pdfium::FPDF_GetPageSizeByIndex(Engine(document), i, &width, &height);
        widths.push_back(width);
    }
    return widths;
}

// A hand-made PDF with one page; extra entries go into its catalog.
std::string HandMadePdf(const std::string& catalogExtra) {
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"};
    std::string pdf = "%PDF-1.7\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[21];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\n";
    pdf += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

int PdfinfoPages(const std::string& path) {
    const test::RunResult r = test::Run({"pdfinfo", path}, {}, 30s);
    EXPECT_TRUE(r.succeeded()) << r.Describe();
    std::istringstream lines(r.stdOut);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Pages:", 0) == 0) {
            return std::stoi(line.substr(6));
        }
    }
    return -1;
}

void ExpectQpdfAccepts(const std::string& path) {
    const test::RunResult r = test::Run({"qpdf", "--check", path}, {}, 30s);
    EXPECT_TRUE(r.succeeded()) << r.Describe() << r.stdOut;
}

class PdfiumTest : public ::testing::Test {
  protected:
    test::TempDir dir_{"pdf Zoë #1"};
};

// --- Merging ---------------------------------------------------------------------------

using PdfiumMerge = PdfiumTest;

TEST_F(PdfiumMerge, AppendsEverySourceInOrderAndOtherReadersAgree) {
    WritePdf(dir_.file("a.pdf"), {101, 102});
    WritePdf(dir_.file("b.pdf"), {201, 202, 203, 204, 205});
    WritePdf(dir_.file("c.pdf"), {301});
    const std::string bookPath = dir_.file("book.pdf");
    {
        TPdfDocument book;
        ASSERT_TRUE(book.NewDocument());
        EXPECT_EQ(book.PageCount(), 0);
        for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) {
            // The book builder's loop: each source is mapped, imported and closed at once.
            TPdfDocument source;
            source.LoadFromFile(dir_.file(name), "", TPdfDocumentLoadOption::dloMMF);
            EXPECT_TRUE(book.ImportPages(source, "", -1));
        }
        EXPECT_EQ(book.PageCount(), 8);
        book.SaveToFile(bookPath, kPdfSaveRemoveSecurity, -1);
    }
    EXPECT_THAT(PageWidths(bookPath), ElementsAre(101, 102, 201, 202, 203, 204, 205, 301));
    EXPECT_EQ(PdfinfoPages(bookPath), 8);
    ExpectQpdfAccepts(bookPath);
}

TEST_F(PdfiumMerge, RangeAndIndexPlaceSelectedPagesBeforeExistingOnes) {
    WritePdf(dir_.file("a.pdf"), {101, 102});
    WritePdf(dir_.file("b.pdf"), {201, 202, 203, 204, 205});
    TPdfDocument book;
    TPdfDocument a;
    TPdfDocument b;
    book.NewDocument();
    a.LoadFromFile(dir_.file("a.pdf"));
    b.LoadFromFile(dir_.file("b.pdf"));
    book.ImportPages(a);
    EXPECT_TRUE(book.ImportPages(b, "2,4", 0));
    EXPECT_EQ(book.PageCount(), 4);
    EXPECT_EQ(b.PageCount(), 5);  // the source is left as it was
    book.SaveToFile(dir_.file("book.pdf"));
    EXPECT_THAT(PageWidths(dir_.file("book.pdf")), ElementsAre(202, 204, 101, 102));
}

TEST_F(PdfiumMerge, ImportNeedsBothDocumentsOpen) {
    WritePdf(dir_.file("a.pdf"), {101});
    TPdfDocument book;
    TPdfDocument source;
    book.NewDocument();
    auto e = Expect<EPdfException>([&] { book.ImportPages(source); });
    EXPECT_EQ(e.message, "PDF document is not open");
    source.LoadFromFile(dir_.file("a.pdf"));
    book.Close();
    e = Expect<EPdfException>([&] { book.ImportPages(source); });
    EXPECT_EQ(e.message, "PDF document is not open");
    EXPECT_EQ(book.PageCount(), 0);
}

// --- Loading ---------------------------------------------------------------------------

using PdfiumLoad = PdfiumTest;

TEST_F(PdfiumLoad, ZeroByteFileFailsWithTheMappingErrorAndStaysUsable) {
    test::WriteFile(dir_.file("empty.pdf"), "");
    WritePdf(dir_.file("good.pdf"), {101, 102});
    TPdfDocument document;
    const auto e = Expect<EOSError>([&] { document.LoadFromFile(dir_.file("empty.pdf")); });
    EXPECT_EQ(e.code, EINVAL);
    EXPECT_EQ(e.message, "System Error.  Code: 22.\nInvalid argument");
    EXPECT_FALSE(document.Active());
    document.LoadFromFile(dir_.file("good.pdf"));
    EXPECT_EQ(document.PageCount(), 2);
}

TEST_F(PdfiumLoad, NonPdfFailsLeavingTheObjectClosedAndReusable) {
    test::WriteFile(dir_.file("note.pdf"), "Dear reader, this is not a PDF at all.\n");
    WritePdf(dir_.file("good.pdf"), {101, 102, 103});
    TPdfDocument document;
    document.LoadFromFile(dir_.file("good.pdf"));
    const auto e = Expect<EPdfException>([&] { document.LoadFromFile(dir_.file("note.pdf")); });
    EXPECT_EQ(e.message, "File is not a PDF document or is corrupted");
    EXPECT_FALSE(document.Active());
    EXPECT_EQ(document.PageCount(), 0);
    EXPECT_EQ(document.FileName(), "");
    document.LoadFromFile(dir_.file("good.pdf"));
    EXPECT_TRUE(document.Active());
    EXPECT_EQ(document.PageCount(), 3);
    EXPECT_EQ(document.FileName(), dir_.file("good.pdf"));
}

TEST_F(PdfiumLoad, MissingFileFailsWithTheSystemError) {
    TPdfDocument document;
    const auto e = Expect<EOSError>([&] { document.LoadFromFile(dir_.file("nowhere.pdf")); });
    EXPECT_EQ(e.code, ENOENT);
    EXPECT_EQ(e.message, "System Error.  Code: 2.\nNo such file or directory");
    EXPECT_FALSE(document.Active());
}

TEST_F(PdfiumLoad, FileOfFourGibibytesIsTooLarge) {
    // A sparse file: it takes no room on the disk.
    std::filesystem::path huge = std::filesystem::u8path(dir_.file("huge.pdf"));
    test::WriteFile(huge.u8string(), "");
    std::filesystem::resize_file(huge, 4ULL << 30);
    TPdfDocument document;
    const auto e = Expect<EPdfException>([&] { document.LoadFromFile(huge.u8string()); });
    EXPECT_EQ(e.message, "PDF file \"huge.pdf\" is too large");
    EXPECT_FALSE(document.Active());
}

TEST_F(PdfiumLoad, PasswordIsHandedToTheEngine) {
    WritePdf(dir_.file("plain.pdf"), {101, 102});
    const test::RunResult r = test::Run({"qpdf", "--encrypt", "reader", "owner", "256", "--",
                                         dir_.file("plain.pdf"), dir_.file("locked.pdf")},
                                        {}, 30s);
    ASSERT_TRUE(r.succeeded()) << r.Describe();
    TPdfDocument document;
    const auto e = Expect<EPdfException>([&] { document.LoadFromFile(dir_.file("locked.pdf")); });
    EXPECT_EQ(e.message, "Password required oder invalid password");
    document.LoadFromFile(dir_.file("locked.pdf"), "reader");
    EXPECT_EQ(document.PageCount(), 2);
    // Saving with the security removed gives a book every reader opens without a password.
    document.SaveToFile(dir_.file("open.pdf"), kPdfSaveRemoveSecurity);
    EXPECT_EQ(PdfinfoPages(dir_.file("open.pdf")), 2);
}

TEST_F(PdfiumLoad, EveryLoadOptionOpensTheSameDocument) {
    WritePdf(dir_.file("five.pdf"), {201, 202, 203, 204, 205});
    for (auto option : {TPdfDocumentLoadOption::dloNormal, TPdfDocumentLoadOption::dloMMF,
                        TPdfDocumentLoadOption::dloOnDemand}) {
        TPdfDocument book;
        TPdfDocument source;
        book.NewDocument();
        source.LoadFromFile(dir_.file("five.pdf"), "", option);
        EXPECT_EQ(source.PageCount(), 5);
        EXPECT_TRUE(book.ImportPages(source));
        source.Close();
        book.SaveToFile(dir_.file("copy.pdf"));
        EXPECT_THAT(PageWidths(dir_.file("copy.pdf")), ElementsAre(201, 202, 203, 204, 205));
    }
}

TEST_F(PdfiumLoad, OnlyTheCallbackPathMarksUnsupportedFeatures) {
    // A portable collection (a PDF package) is a feature the engine reports as unsupported.
    test::WriteFile(dir_.file("package.pdf"), HandMadePdf("/Collection << /Type /Collection >>"));
    test::WriteFile(dir_.file("plain.pdf"), HandMadePdf(""));
    TPdfDocument document;
    document.LoadFromFile(dir_.file("package.pdf"), "", TPdfDocumentLoadOption::dloOnDemand);
    EXPECT_EQ(document.PageCount(), 1);
    EXPECT_TRUE(document.UnsupportedFeatures());
    document.LoadFromFile(dir_.file("plain.pdf"), "", TPdfDocumentLoadOption::dloOnDemand);
    EXPECT_FALSE(document.UnsupportedFeatures());
    document.LoadFromFile(dir_.file("package.pdf"), "", TPdfDocumentLoadOption::dloMMF);
    EXPECT_FALSE(document.UnsupportedFeatures());
}

// --- Saving ----------------------------------------------------------------------------

using PdfiumSave = PdfiumTest;

TEST_F(PdfiumSave, SavingOverAnExistingFileReplacesIt) {
    const std::string path = dir_.file("book.pdf");
    test::WriteFile(path, std::string(200000, 'x'));
    WritePdf(path, {101, 102});
    const std::string saved = test::ReadFile(path);
    EXPECT_THAT(saved, StartsWith("%PDF-"));
    EXPECT_LT(saved.size(), 200000u);
    EXPECT_EQ(saved.find("xxxx"), std::string::npos);
    EXPECT_THAT(PageWidths(path), ElementsAre(101, 102));
}

TEST_F(PdfiumSave, FileThatCannotBeCreatedGivesTheSystemText) {
    TPdfDocument book;
    book.NewDocument();
    const std::string missing = dir_.file("no such folder/book.pdf");
    auto e = Expect<EFCreateError>([&] { book.SaveToFile(missing); });
    EXPECT_EQ(e.message, "Cannot create file \"" + missing + "\". No such file or directory");
    e = Expect<EFCreateError>([&] { book.SaveToFile(dir_.path()); });
    EXPECT_EQ(e.message, "Cannot create file \"" + dir_.path() + "\". Is a directory");
}

TEST_F(PdfiumSave, DocumentWithoutPagesSavesAndReadsBackEmpty) {
    TPdfDocument book;
    book.NewDocument();
    book.SaveToFile(dir_.file("empty.pdf"), kPdfSaveRemoveSecurity, -1);
    TPdfDocument reread;
    reread.LoadFromFile(dir_.file("empty.pdf"));
    EXPECT_EQ(reread.PageCount(), 0);
    ExpectQpdfAccepts(dir_.file("empty.pdf"));
}

TEST_F(PdfiumSave, ClosedDocumentIsNotSavedAndNoFileIsMade) {
    TPdfDocument book;
    const auto e = Expect<EPdfException>([&] { book.SaveToFile(dir_.file("book.pdf")); });
    EXPECT_EQ(e.message, "PDF document is not open");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(dir_.file("book.pdf"))));
}

TEST_F(PdfiumSave, RequestedFileVersionIsWritten) {
    TPdfDocument book;
    book.NewDocument();
    std::ostringstream v14;
    std::ostringstream v17;
    EXPECT_TRUE(book.SaveToStream(v14, kPdfSaveNoIncremental, 14));
    EXPECT_TRUE(book.SaveToStream(v17, kPdfSaveNoIncremental, 17));
    EXPECT_THAT(v14.str(), StartsWith("%PDF-1.4"));
    EXPECT_THAT(v17.str(), StartsWith("%PDF-1.7"));
}

// Takes the first `room` bytes and refuses the rest, like a full disk.
class ShortBuffer : public std::streambuf {
  public:
    explicit ShortBuffer(size_t room) : room_(room) {}
    std::string taken;

  protected:
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        const auto n = std::min<std::streamsize>(size, static_cast<std::streamsize>(room_));
        taken.append(data, static_cast<size_t>(n));
        room_ -= static_cast<size_t>(n);
        return n;
    }
    int_type overflow(int_type) override { return traits_type::eof(); }

  private:
    size_t room_;
};

TEST_F(PdfiumSave, StreamSaveSucceedsOnlyWhenEveryByteIsWritten) {
    WritePdf(dir_.file("a.pdf"), {101, 102, 103});
    TPdfDocument document;
    document.LoadFromFile(dir_.file("a.pdf"));
    std::ostringstream whole;
    ASSERT_TRUE(document.SaveToStream(whole));
    ShortBuffer shortBuffer(whole.str().size() / 2);
    std::ostream cut(&shortBuffer);
    EXPECT_FALSE(document.SaveToStream(cut));
    EXPECT_LT(shortBuffer.taken.size(), whole.str().size());
}

// --- Loading the engine ----------------------------------------------------------------

// Each test starts from an unloaded engine and leaves the real library's name behind.
class PdfiumEngine : public PdfiumTest {
  protected:
    void SetUp() override { ReleasePdfEngine(); }
    void TearDown() override { pdfium::SetPdfiumLibraryName(platform::LibraryFileName("pdfium")); }
};

TEST_F(PdfiumEngine, EntryPointsFailInAnOrderlyWayUntilLoaded) {
    EXPECT_FALSE(pdfium::PdfiumLoaded());
    const auto e = Expect<Exception>([] { pdfium::FPDF_CreateNewDocument(); });
    EXPECT_EQ(e.message, "libpdfium.so is not loaded");
    TPdfDocument book;
    EXPECT_TRUE(pdfium::PdfiumLoaded());
    EXPECT_TRUE(book.NewDocument());
}

TEST_F(PdfiumEngine, AbsentLibraryFailsAndALaterAttemptSucceeds) {
    const std::string absent = dir_.file("libpdfium.so");
    pdfium::SetPdfiumLibraryName(absent);
    const auto e = Expect<EOSError>([] { TPdfDocument book; });
    EXPECT_EQ(e.code, ENOENT);
    EXPECT_THAT(e.message, StartsWith("System Error.  Code: 2.\n"));
    EXPECT_THAT(e.message, HasSubstr(absent));  // the loader says which file it missed
    const auto stub = Expect<Exception>([] { pdfium::FPDF_GetPageCount(nullptr); });
    EXPECT_EQ(stub.message, absent + " is not loaded");

    pdfium::SetPdfiumLibraryName(platform::LibraryFileName("pdfium"));
    TPdfDocument book;
    EXPECT_TRUE(book.NewDocument());
}

TEST_F(PdfiumEngine, LibraryWithoutTheEntryPointsIsRejectedAndNothingOfItStays) {
    pdfium::SetPdfiumLibraryName("libz.so.1");
    const auto e = Expect<Exception>([] { TPdfDocument book; });
    EXPECT_EQ(e.message, "Symbol \"FPDF_InitLibrary\" was not found in libz.so.1");
    EXPECT_FALSE(pdfium::PdfiumLoaded());
    const auto stub = Expect<Exception>([] { pdfium::FPDF_InitLibrary(); });
    EXPECT_EQ(stub.message, "libz.so.1 is not loaded");

    pdfium::SetPdfiumLibraryName(platform::LibraryFileName("pdfium"));
    WritePdf(dir_.file("a.pdf"), {101});
    EXPECT_THAT(PageWidths(dir_.file("a.pdf")), ElementsAre(101));
}

TEST_F(PdfiumEngine, LibraryLackingOneEntryPointLeavesNoEntryPointBound) {
    // A copy of the real library in which the table's last entry point has another name:
    // every row before it binds, and must be a stub again after the failure.
    std::string loadedFrom;
    {
        TPdfDocument probe;
        Dl_info info{};
        ASSERT_NE(dladdr(reinterpret_cast<void*>(pdfium::FPDF_InitLibrary), &info), 0);
        loadedFrom = info.dli_fname;
    }
    ReleasePdfEngine();
    const std::string name("FPDFPageObj_CreateTextObj");
    std::string bytes = test::ReadFile(loadedFrom);
    const std::string exported = std::string(1, '\0') + name + '\0';
    for (size_t at = bytes.find(exported); at != std::string::npos; at = bytes.find(exported, at)) {
        bytes[at + 1] = 'Q';
    }
    const std::string crippled = dir_.file("libpdfium.so");
    test::WriteFile(crippled, bytes);

    pdfium::SetPdfiumLibraryName(crippled);
    const auto e = Expect<Exception>([] { TPdfDocument book; });
    EXPECT_EQ(e.message, "Symbol \"" + name + "\" was not found in " + crippled);
    const auto stub = Expect<Exception>([] { pdfium::FPDF_GetPageCount(nullptr); });
    EXPECT_EQ(stub.message, crippled + " is not loaded");

    pdfium::SetPdfiumLibraryName(platform::LibraryFileName("pdfium"));
    TPdfDocument book;
    EXPECT_TRUE(book.NewDocument());
}

TEST_F(PdfiumEngine, DocumentsCreatedAtOnceOnSeveralThreadsShareOneEngine) {
    std::vector<std::thread> threads;
    std::vector<int> created(8, 0);
    for (size_t i = 0; i < created.size(); ++i) {
        threads.emplace_back([&created, i] {
            TPdfDocument document;
            created[i] = 1;
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_THAT(created, ::testing::Each(1));
    EXPECT_TRUE(pdfium::PdfiumLoaded());
}

}  // namespace
}  // namespace quill
