#pragma once

#include <qpdf/InputSource.hh>

#include <string>
#include <vector>

#include "platform/MappedFile.h"

namespace quill {

// A PDF file as qpdf's parser reads it: through a window of the file kept in memory.
// qpdf's own file source seeks its C stream before nearly every token, and each of those
// seeks is a system call; for a long book they cost more than all the rest of the
// finishing step. Mapping the whole file instead would add the book's size to the peak
// memory.
class PdfFileSource : public InputSource {
  public:
    // Throws EOSError when the file cannot be opened.
    explicit PdfFileSource(const std::string& path);

    qpdf_offset_t findAndSkipNextEOL() override;
    std::string const& getName() const override { return name_; }
    qpdf_offset_t tell() override { return position_; }
    void seek(qpdf_offset_t offset, int whence) override;
    void rewind() override { position_ = 0; }
    size_t read(char* buffer, size_t length) override;
    void unreadCh(char ch) override;

  private:
    // Makes the window hold the byte at position_; false at the end of the file.
    bool Load();
    size_t Available() const;
    const char* Current() const;

    std::string name_;
    platform::MappedFile file_;
    qpdf_offset_t size_ = 0;
    qpdf_offset_t position_ = 0;
    qpdf_offset_t windowStart_ = 0;
    std::vector<char> window_;
    size_t windowLength_ = 0;
};

}  // namespace quill
