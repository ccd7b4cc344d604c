#include "ConsoleLog.h"

namespace quill {

void ConsoleLog::Log(const std::string& text) {
    out_ << text << std::endl;
}

void ConsoleLog::UpdateLog(const std::string& text) {
    out_ << text << std::endl;
}

}  // namespace quill
