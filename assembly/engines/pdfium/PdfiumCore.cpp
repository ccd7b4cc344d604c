#include "pdfium/PdfiumCore.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "common/Paths.h"
#include "pdfium/PdfiumLib.h"
#include "platform/MappedFile.h"
#include "platform/Memory.h"
#include "platform/SystemError.h"

namespace quill {

using namespace pdfium;

namespace {

// --- Engine start ---------------------------------------------------------------------

std::mutex gEngineLock;
std::atomic<bool> gEngineReady{false};

// The engine reports unsupported features on the thread that opens the document, without
// saying which document; only a load through the callback path points this at its mark.
thread_local bool* tUnsupportedMark = nullptr;

void OnUnsupportedFeature(UNSUPPORT_INFO*, int) {
    if (tUnsupportedMark != nullptr) {
        *tUnsupportedMark = true;
    }
}

UNSUPPORT_INFO gUnsupportInfo{1, &OnUnsupportedFeature};

// A save compresses stream after stream, each through a fresh zlib state of a few hundred
// KB. glibc gives the top of the heap back to the system after each one, and the page-table
// flushes of those shrinks cost far more than the compression: saving a book of 1000
// chapters took 4 to 5 s instead of 0.3 s. Keeping freed heap for reuse leaves the peak
// memory of a merge as it was (platform::KeepFreedHeapForReuse).

void InitPdfEngine() {
    if (gEngineReady.load(std::memory_order_acquire)) {
        return;
    }
    std::lock_guard<std::mutex> guard(gEngineLock);
    if (gEngineReady.load(std::memory_order_relaxed)) {
        return;
    }
    LoadPdfium();
    FSDK_SetUnSpObjProcessHandler(&gUnsupportInfo);
    platform::KeepFreedHeapForReuse();
    gEngineReady.store(true, std::memory_order_release);
}

// --- Engine handles -------------------------------------------------------------------

struct DocumentCloser {
    void operator()(FpdfDocument* document) const { FPDF_CloseDocument(document); }
};
using DocumentPtr = std::unique_ptr<FpdfDocument, DocumentCloser>;

struct FormCloser {
    void operator()(FpdfForm* form) const {
        FORM_DoDocumentAAction(form, FPDFDOC_AACTION_WC);
        FPDFDOC_ExitFormFillEnvironment(form);
    }
};
using FormPtr = std::unique_ptr<FpdfForm, FormCloser>;

constexpr unsigned long kFormFieldHighlightColor = 0xFFE4DD;
constexpr unsigned char kFormFieldHighlightAlpha = 100;
constexpr int64_t kLargestFile = 0xFFFFFFFFLL;  // file sizes must fit into 32 bits

// The callbacks serve a document shown on screen; these documents never are.
FPDF_FORMFILLINFO DisplayCallbacks() {
    FPDF_FORMFILLINFO info{};
    info.version = 1;
    info.Release = [](FPDF_FORMFILLINFO*) {};
    info.FFI_Invalidate = [](FPDF_FORMFILLINFO*, FPDF_PAGE, double, double, double, double) {};
    info.FFI_OutputSelectedRect = [](FPDF_FORMFILLINFO*, FPDF_PAGE, double, double, double,
                                     double) {};
    info.FFI_SetCursor = [](FPDF_FORMFILLINFO*, int) {};
    info.FFI_SetTimer = [](FPDF_FORMFILLINFO*, int, TimerCallback) { return 0; };
    info.FFI_KillTimer = [](FPDF_FORMFILLINFO*, int) {};
    info.FFI_GetLocalTime = [](FPDF_FORMFILLINFO*) { return FPDF_SYSTEMTIME{}; };
    info.FFI_OnChange = [](FPDF_FORMFILLINFO*) {};
    info.FFI_GetPage = [](FPDF_FORMFILLINFO*, FPDF_DOCUMENT, int) -> FPDF_PAGE { return nullptr; };
    info.FFI_GetCurrentPage = [](FPDF_FORMFILLINFO*, FPDF_DOCUMENT) -> FPDF_PAGE {
        return nullptr;
    };
    info.FFI_GetRotation = [](FPDF_FORMFILLINFO*, FPDF_PAGE) { return 0; };
    info.FFI_ExecuteNamedAction = [](FPDF_FORMFILLINFO*, FPDF_BYTESTRING) {};
    info.FFI_SetTextFieldFocus = [](FPDF_FORMFILLINFO*, FPDF_WIDESTRING, FPDF_DWORD, FPDF_BOOL) {};
    info.FFI_DoURIAction = [](FPDF_FORMFILLINFO*, FPDF_BYTESTRING) {};
    info.FFI_DoGoToAction = [](FPDF_FORMFILLINFO*, int, int, float*, int) {};
    return info;
}

const char* EngineErrorText(unsigned long code) {
    switch (code) {
        case FPDF_ERR_SUCCESS:
            return "No error";
        case FPDF_ERR_FILE:
            return "File not found or can't be opened";
        case FPDF_ERR_FORMAT:
            return "File is not a PDF document or is corrupted";
        case FPDF_ERR_PASSWORD:
            return "Password required oder invalid password";
        case FPDF_ERR_SECURITY:
            return "Security schema is not support";
        case FPDF_ERR_PAGE:
            return "Page does not exist or data error";
        default:
            return "Unknown error";
    }
}

// The engine pulls blocks of a dloOnDemand document through this; the mapping pages the
// file in only as far as the engine reads it.
int ReadBlock(void* param, unsigned long position, unsigned char* buffer, unsigned long size) {
    const auto& file = *static_cast<const platform::MappedFile*>(param);
    if (position > file.Length() || size > file.Length() - position) {
        return 0;
    }
    std::memcpy(buffer, static_cast<const unsigned char*>(file.Data()) + position, size);
    return 1;
}

// A save's sink: the engine's write record followed by the stream it writes to.
struct StreamSink : FPDF_FILEWRITE {
    std::ostream* stream;
};

int WriteToStream(FPDF_FILEWRITE* self, const void* data, unsigned long size) {
    std::ostream& stream = *static_cast<StreamSink*>(self)->stream;
    try {
        stream.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        return stream.good() ? 1 : 0;
    } catch (...) {
        return 0;  // nothing may unwind through the engine
    }
}

}  // namespace

// Members are released in reverse order: the form environment before the document it
// belongs to, the document before the bytes it reads.
struct TPdfDocument::State {
    platform::MappedFile file;
    FPDF_FILEACCESS access{};
    DocumentPtr document;
    FPDF_FORMFILLINFO formInfo{};
    FormPtr form;
    int pageSlots = 0;  // one per page; pages get no wrapper objects here
    bool unsupportedFeatures = false;
};

namespace {

void OpenData(platform::MappedFile& file, const std::string& fileName,
              TPdfDocumentLoadOption option) {
    if (!file.Open(fileName)) {
        throw EOSError(file.ErrorCode());
    }
    if (file.Size() > kLargestFile) {
        throw EPdfException("PDF file \"" + FileNameOf(fileName) + "\" is too large");
    }
    const bool ready = option == TPdfDocumentLoadOption::dloNormal ? file.ReadAll() : file.Map();
    if (!ready) {
        throw EOSError(file.ErrorCode());
    }
}

FPDF_DOCUMENT OpenDocument(platform::MappedFile& file, FPDF_FILEACCESS& access,
                           const std::string& password, TPdfDocumentLoadOption option) {
    const FPDF_BYTESTRING secret = password.empty() ? nullptr : password.c_str();
    if (option == TPdfDocumentLoadOption::dloOnDemand) {
        access = FPDF_FILEACCESS{static_cast<unsigned long>(file.Length()), &ReadBlock, &file};
        return FPDF_LoadCustomDocument(&access, secret);
    }
    // The classic entry point takes the size as int; larger files need the 64-bit one.
    if (file.Length() <= static_cast<size_t>(INT_MAX)) {
        return FPDF_LoadMemDocument(file.Data(), static_cast<int>(file.Length()), secret);
    }
    return FPDF_LoadMemDocument64(file.Data(), file.Length(), secret);
}

void StartForms(FPDF_DOCUMENT document, FPDF_FORMFILLINFO& info, FormPtr& form) {
    info = DisplayCallbacks();
    form.reset(FPDFDOC_InitFormFillEnvironment(document, &info));
    if (!form) {
        return;
    }
    FPDF_SetFormFieldHighlightColor(form.get(), 0, kFormFieldHighlightColor);
    FPDF_SetFormFieldHighlightAlpha(form.get(), kFormFieldHighlightAlpha);
    FORM_DoDocumentJSAction(form.get());
    FORM_DoDocumentOpenAction(form.get());
}

// Points the unsupported-feature handler at one document's mark for the length of a load.
class UnsupportedMarkScope {
  public:
    explicit UnsupportedMarkScope(bool* mark) { tUnsupportedMark = mark; }
    ~UnsupportedMarkScope() { tUnsupportedMark = nullptr; }
    UnsupportedMarkScope(const UnsupportedMarkScope&) = delete;
    UnsupportedMarkScope& operator=(const UnsupportedMarkScope&) = delete;
};

}  // namespace

TPdfDocument::TPdfDocument() : FState(std::make_unique<State>()) {
    InitPdfEngine();
}

TPdfDocument::~TPdfDocument() {
    Close();
}

bool TPdfDocument::NewDocument() {
    Close();
    FState->document.reset(FPDF_CreateNewDocument());
    return Active();
}

void TPdfDocument::LoadFromFile(const std::string& AFileName, const std::string& APassword,
                                TPdfDocumentLoadOption ALoadOptions) {
    Close();
    // Built aside and kept only when complete: a failure anywhere releases what was
    // opened so far and leaves this object closed.
    auto state = std::make_unique<State>();
    OpenData(state->file, AFileName, ALoadOptions);
    const bool onDemand = ALoadOptions == TPdfDocumentLoadOption::dloOnDemand;
    UnsupportedMarkScope markScope(onDemand ? &state->unsupportedFeatures : nullptr);
    state->document.reset(OpenDocument(state->file, state->access, APassword, ALoadOptions));
    if (!state->document) {
        throw EPdfException(EngineErrorText(FPDF_GetLastError()));
    }
    state->pageSlots = FPDF_GetPageCount(state->document.get());
    StartForms(state->document.get(), state->formInfo, state->form);
    FState = std::move(state);
    FFileName = AFileName;
}

int TPdfDocument::PageCount() const {
    return FState->pageSlots;
}

bool TPdfDocument::ImportPages(TPdfDocument& Source, const std::string& Range, int Index) {
    if (!Active() || !Source.Active()) {
        throw EPdfException("PDF document is not open");
    }
    FPDF_DOCUMENT document = FState->document.get();
    const int before = FPDF_GetPageCount(document);
    const bool imported =
        FPDF_ImportPages(document, Source.FState->document.get(),
                         Range.empty() ? nullptr : Range.c_str(), Index < 0 ? before : Index) != 0;
    const int after = FPDF_GetPageCount(document);
    if (after > before) {
        FState->pageSlots += after - before;
    }
    return imported;
}

void TPdfDocument::SaveToFile(const std::string& AFileName, int Option, int FileVersion) {
    if (!Active()) {
        throw EPdfException("PDF document is not open");
    }
    std::ofstream file(std::filesystem::u8path(AFileName), std::ios::binary | std::ios::trunc);
    if (!file) {
        const int code = platform::LastSystemError();
        throw EFCreateError(AFileName, platform::SystemErrorText(code));
    }
    SaveToStream(file, Option, FileVersion);
}

bool TPdfDocument::SaveToStream(std::ostream& Stream, int Option, int FileVersion) {
    if (!Active()) {
        throw EPdfException("PDF document is not open");
    }
    if (FState->form) {
        FORM_ForceToKillFocus(FState->form.get());
    }
    StreamSink sink{{1, &WriteToStream}, &Stream};
    const auto flags = static_cast<FPDF_DWORD>(Option);
    FPDF_DOCUMENT document = FState->document.get();
    const bool saved = FileVersion == -1
                           ? FPDF_SaveAsCopy(document, &sink, flags) != 0
                           : FPDF_SaveWithVersion(document, &sink, flags, FileVersion) != 0;
    // Buffered bytes fail only when they reach the file.
    Stream.flush();
    return saved && Stream.good();
}

void TPdfDocument::Close() {
    State& state = *FState;
    state.form.reset();
    state.document.reset();
    state.file.Close();
    state.access = FPDF_FILEACCESS{};
    state.pageSlots = 0;
    state.unsupportedFeatures = false;
    FFileName.clear();
}

bool TPdfDocument::Active() const {
    return FState->document != nullptr;
}

void* TPdfDocument::Handle() const {
    return FState->document.get();
}

bool TPdfDocument::UnsupportedFeatures() const {
    return FState->unsupportedFeatures;
}

void ReleasePdfEngine() {
    std::lock_guard<std::mutex> guard(gEngineLock);
    UnloadPdfium();
    gEngineReady.store(false, std::memory_order_release);
}

}  // namespace quill
