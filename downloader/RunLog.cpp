#include "downloader/RunLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

#include "common/File.h"
#include "common/OneLine.h"
#include "web/Errors.h"

namespace runlog {

namespace {

using File = quill::UniqueFile;

std::vector<File>& Sinks() {
    static std::vector<File> sinks;
    return sinks;
}

// The entry's lines, each made one clean line and ended with CR LF.
std::string Entry(const std::vector<std::string_view>& lines) {
    std::string entry;
    for (const std::string_view line : lines) {
        entry += quill::OneLine(line);
        entry += "\r\n";
    }
    return entry;
}

void Write(const std::vector<std::string_view>& lines) {
    const std::string entry = Entry(lines);
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
    Write({message});
}

void error(const std::string& message, const std::string& description) {
    // The description's own line breaks are its structure; its values are single lines
    // already (see quill::DescribeFailure), and are cleaned again here all the same.
    std::vector<std::string_view> lines{message};
    for (size_t start = 0;;) {
        const size_t end = description.find('\n', start);
        lines.push_back(std::string_view(description).substr(start, end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    Write(lines);
}

void close_all() {
    Sinks().clear();
}

}  // namespace runlog
