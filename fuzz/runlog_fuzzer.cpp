// Any bytes as a run log: the window splits it into lines, reads its keyed lines and feeds
// each line to the progress it shows. Nothing may crash, and a value read from a keyed line
// must be exactly the rest of a line that starts with its key.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Progress.h"
#include "core/RunLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = quill::SplitLogLines(bytes);
    for (const std::string& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos) {
            __builtin_trap();  // a line never holds a line end
        }
    }
    const quill::BookInfo info = quill::ReadBookInfo(lines);
    if (info.title) {
        bool found = false;
        for (const std::string& line : lines) {
            found = found || line == "title:" + *info.title;
        }
        if (!found) {
            __builtin_trap();
        }
    }
    quill::ProgressModel progress(std::chrono::milliseconds(20000));
    quill::ProgressModel::Clock::time_point now{};
    for (const std::string& line : lines) {
        progress.OnLine(line, now);
        now += std::chrono::seconds(1);
        if (progress.CurrentPosition() > 0 && line.size() % 2 == 0) {
            progress.OnChapterSaved(now);
        }
        const quill::ProgressState state = progress.State(now);
        const size_t width = 10 + size % 90;
        if (quill::ProgressLine(state, width).size() > width) {
            __builtin_trap();
        }
        quill::CountdownText(state);
        quill::TimeLeftText(state);
    }
    return 0;
}
