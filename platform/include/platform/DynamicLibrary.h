#pragma once

#include <memory>
#include <string>

namespace platform {

// A shared library loaded at run time by file name through the system's library search.
class DynamicLibrary {
  public:
    DynamicLibrary() = default;

    // Loads the library; false when it cannot be loaded (LastError() says why).
    bool Open(const std::string& fileName);
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }

    // The exported symbol, or nullptr when the library does not export it.
    void* Symbol(const std::string& name) const;

    // The loader's text for the last failed Open.
    const std::string& LastError() const { return lastError_; }
    // The system error code of the last failed Open (0 when the loader gives none).
    int LastErrorCode() const { return lastErrorCode_; }

  private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> handle_;
    std::string lastError_;
    int lastErrorCode_ = 0;
};

// The file name of a shared library with the given base name: "pdfium" gives
// "libpdfium.so".
std::string LibraryFileName(const std::string& baseName);

}  // namespace platform
