#pragma once

#include <cstdio>
#include <memory>

namespace quill {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A C stream, closed when it goes out of scope. Callers that must know whether the last
// buffered bytes reached the disk close it themselves: std::fclose(file.release()).
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace quill
