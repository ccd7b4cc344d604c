#include "pdfium/PdfiumLib.h"

#include <stdexcept>

#include "common/Errors.h"
#include "platform/DynamicLibrary.h"

namespace quill::pdfium {

namespace {

// The loaded library and the name it is loaded by. A function-local static: it is built
// on first use, at the latest inside the first document's construction, so it outlives
// every document of static lifetime and shuts the engine down after them.
struct Library {
    std::string fileName = platform::LibraryFileName("pdfium");
    platform::DynamicLibrary handle;

    void Unload();
    ~Library() { Unload(); }
};

Library& TheLibrary() {
    static Library library;
    return library;
}

[[noreturn]] void ThrowNotLoaded() {
    throw Exception(TheLibrary().fileName + " is not loaded");
}

// What every entry point is while the library is not loaded: one stub per pointer type.
template <typename Fn>
struct NotLoaded;

template <typename Result, typename... Args>
struct NotLoaded<Result(FPDF_CALLCONV*)(Args...)> {
    static Result FPDF_CALLCONV Call(Args...) { ThrowNotLoaded(); }
};

}  // namespace

#define QUILL_PDFIUM_DEFINE(name, result, params) name##_t name = &NotLoaded<name##_t>::Call;
QUILL_PDFIUM_ENTRY_POINTS(QUILL_PDFIUM_DEFINE)
#undef QUILL_PDFIUM_DEFINE

namespace {

// A row of the import table: the exported name and what stores a looked-up address in
// its pointer (the stub again for a null address).
struct ImportRow {
    const char* name;
    void (*bind)(void* address);
};

template <typename Fn, Fn* Slot>
void Bind(void* address) {
    *Slot = address != nullptr ? reinterpret_cast<Fn>(address) : &NotLoaded<Fn>::Call;
}

#define QUILL_PDFIUM_ROW(name, result, params) {#name, &Bind<name##_t, &name>},
const ImportRow kImportTable[] = {QUILL_PDFIUM_ENTRY_POINTS(QUILL_PDFIUM_ROW)};
#undef QUILL_PDFIUM_ROW

void ResetEntryPoints() {
    for (const ImportRow& row : kImportTable) {
        row.bind(nullptr);
    }
}

// The loader's own text says more than the code's (which file, or which of its
// dependencies, could not be loaded).
EOSError LoadError(int code, const std::string& loaderText) {
    return EOSError(code, loaderText);
}

}  // namespace

void LoadPdfium() {
    Library& library = TheLibrary();
    if (library.handle.IsOpen()) {
        return;
    }
    if (!library.handle.Open(library.fileName)) {
        throw LoadError(library.handle.LastErrorCode(), library.handle.LastError());
    }
    for (const ImportRow& row : kImportTable) {
        void* address = library.handle.Symbol(row.name);
        if (address == nullptr) {
            ResetEntryPoints();
            library.handle.Close();
            throw Exception("Symbol \"" + std::string(row.name) + "\" was not found in " +
                            library.fileName);
        }
        row.bind(address);
    }
    FPDF_InitLibrary();
}

void Library::Unload() {
    if (!handle.IsOpen()) {
        return;
    }
    FPDF_DestroyLibrary();
    ResetEntryPoints();
    handle.Close();
}

void UnloadPdfium() {
    TheLibrary().Unload();
}

bool PdfiumLoaded() {
    return TheLibrary().handle.IsOpen();
}

void SetPdfiumLibraryName(const std::string& fileName) {
    TheLibrary().fileName = fileName;
}

}  // namespace quill::pdfium
