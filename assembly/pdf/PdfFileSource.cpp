#include "PdfFileSource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "common/Errors.h"

namespace quill {

namespace {

constexpr size_t kWindow = 64 * 1024;

}  // namespace

PdfFileSource::PdfFileSource(const std::string& path) : name_(path), window_(kWindow) {
    if (!file_.Open(path)) {
        throw EOSError(file_.ErrorCode());
    }
    size_ = file_.Size();
    if (size_ < 0) {
        throw EOSError(file_.ErrorCode());
    }
}

bool PdfFileSource::Load() {
    if (position_ >= size_) {
        return false;
    }
    if (position_ >= windowStart_ &&
        position_ < windowStart_ + static_cast<qpdf_offset_t>(windowLength_)) {
        return true;
    }
    const int64_t got = file_.ReadAt(position_, window_.data(), window_.size());
    if (got <= 0) {
        throw EOSError(got < 0 ? file_.ErrorCode() : EIO);
    }
    windowStart_ = position_;
    windowLength_ = static_cast<size_t>(got);
    return true;
}

size_t PdfFileSource::Available() const {
    return static_cast<size_t>(windowStart_ + static_cast<qpdf_offset_t>(windowLength_) -
                               position_);
}

const char* PdfFileSource::Current() const {
    return window_.data() + (position_ - windowStart_);
}

size_t PdfFileSource::read(char* buffer, size_t length) {
    last_offset = std::min(position_, size_);
    size_t done = 0;
    while (done < length && Load()) {
        const size_t part = std::min(length - done, Available());
        std::memcpy(buffer + done, Current(), part);
        done += part;
        position_ += static_cast<qpdf_offset_t>(part);
    }
    return done;
}

qpdf_offset_t PdfFileSource::findAndSkipNextEOL() {
    qpdf_offset_t eol = -1;
    while (Load()) {
        const char c = *Current();
        const bool isEol = c == '\r' || c == '\n';
        if (eol < 0 && isEol) {
            eol = position_;
        } else if (eol >= 0 && !isEol) {
            return eol;
        }
        ++position_;
    }
    position_ = size_;
    return eol >= 0 ? eol : size_;
}

void PdfFileSource::seek(qpdf_offset_t offset, int whence) {
    qpdf_offset_t base = 0;
    if (whence == SEEK_CUR) {
        base = position_;
    } else if (whence == SEEK_END) {
        base = size_;
    } else if (whence != SEEK_SET) {
        throw std::logic_error("PdfFileSource::seek: invalid whence");
    }
    if (base + offset < 0) {
        throw std::runtime_error(name_ + ": seek before the beginning of the file");
    }
    position_ = base + offset;
}

void PdfFileSource::unreadCh(char) {
    if (position_ > 0) {
        --position_;
    }
}

}  // namespace quill
