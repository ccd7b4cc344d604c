#include "downloader/RunLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#include "common/File.h"
#include "common/Utf8.h"
#include "web/Errors.h"

namespace runlog {

namespace {

using File = quill::UniqueFile;

std::vector<File>& Sinks() {
    static std::vector<File> sinks;
    return sinks;
}

// Every line of the message ends with CR LF, the last one included.
std::string Entry(const std::string& message) {
    const std::string text = quill::SanitizeUtf8(message);
    std::string entry;
    entry.reserve(text.size() + 2);
    for (const char c : text) {
        if (c == '\n') {
            entry += "\r\n";
        } else {
            entry += c;
        }
    }
    return entry + "\r\n";
}

void Write(const std::string& message) {
    const std::string entry = Entry(message);
    for (const File& file : Sinks()) {
        const bool written = std::fwrite(entry.data(), 1, entry.size(), file.get()) == entry.size();
        if (std::fflush(file.get()) != 0 || !written) {
            // A full disk must not end the job; the message is lost, and we say so.
            std::cerr << "run log: a message could not be written: " << std::strerror(errno)
                      << std::endl;
            std::clearerr(file.get());
        }
    }
}

}  // namespace

void open(const std::string& path) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        throw quill::OSError("cannot create the run log " + path + ": " + std::strerror(errno));
    }
    Sinks().push_back(std::move(file));
}

void info(const std::string& message) {
    Write(message);
}

void error(const std::string& message, const std::string& description) {
    Write(message + "\n" + description);
}

void close_all() {
    Sinks().clear();
}

}  // namespace runlog
