#pragma once

#include <ctime>
#include <exception>
#include <functional>
#include <string>

struct zip;
struct zip_source;

namespace quill {

// A ZIP archive written with libzip. Entries are only described while they are added; their
// bytes are made, compressed and written one entry at a time, in the order added, when
// Close() runs, so a book of a thousand chapters never has more than one chapter in memory.
// Dropped without Close(), nothing is written.
class ZipWriter {
  public:
    enum class Compression { Stored, Deflated };
    // Makes an entry's bytes when the archive writes it; may throw, which fails Close().
    using Producer = std::function<std::string()>;

    // Starts a new archive at path (replacing a file there only when Close() succeeds);
    // errors name shownPath, the file the user knows. Throws EFCreateError.
    ZipWriter(const std::string& path, std::string shownPath, std::time_t modified);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void Add(const std::string& name, Compression compression, Producer producer);
    void AddText(const std::string& name, Compression compression, std::string bytes);
    // The entry's bytes are read from the file at path, which must stay until Close().
    void AddFile(const std::string& name, Compression compression, const std::string& path);

    // Writes the whole archive. Throws what a producer threw, or EWriteError.
    void Close();

  private:
    void AddSource(const std::string& name, Compression compression, zip_source* source);

    std::string path_;
    std::string shownPath_;
    std::time_t modified_;
    zip* archive_ = nullptr;
    std::exception_ptr failure_;
};

}  // namespace quill
