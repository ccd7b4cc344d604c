#include "web/Failure.h"

#include <cxxabi.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <system_error>
#include <typeinfo>
#include <vector>

#include "common/Errors.h"
#include "common/OneLine.h"
#include "web/Errors.h"

namespace quill {

namespace {

struct Record {
    size_t depth;
    std::string description;
};

struct Trace {
    std::vector<const std::string*> active;  // outermost first
    std::vector<Record> unwound;             // innermost first, as the failure left them
};

Trace& ThreadTrace() {
    thread_local Trace trace;
    return trace;
}

std::string DemangledName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? name.get() : type.name();
}

}  // namespace

OperationScope::OperationScope(std::string description)
    : description_(std::move(description)), uncaughtAtStart_(std::uncaught_exceptions()) {
    ThreadTrace().active.push_back(&description_);
}

OperationScope::~OperationScope() {
    Trace& trace = ThreadTrace();
    trace.active.pop_back();
    if (std::uncaught_exceptions() <= uncaughtAtStart_) {
        return;
    }
    const size_t depth = trace.active.size();
    // One failure unwinds from deep to shallow; a record at the same depth or deeper than
    // the last one belongs to a new failure, and the old records are stale.
    if (!trace.unwound.empty() && trace.unwound.back().depth <= depth) {
        trace.unwound.clear();
    }
    trace.unwound.push_back({depth, description_});
}

std::string FailureKind(const std::exception& failure) {
    if (const auto* own = dynamic_cast<const Exception*>(&failure);
        own != nullptr && !own->kind().empty()) {
        return own->kind();
    }
    if (dynamic_cast<const nlohmann::json::parse_error*>(&failure) != nullptr) {
        return "JSONDecodeError";
    }
    if (dynamic_cast<const nlohmann::json::exception*>(&failure) != nullptr) {
        return "TypeError";
    }
    if (dynamic_cast<const std::system_error*>(&failure) != nullptr) {
        return "OSError";
    }
    if (dynamic_cast<const std::invalid_argument*>(&failure) != nullptr) {
        return "ValueError";
    }
    if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
        return "MemoryError";
    }
    return DemangledName(typeid(failure));
}

std::string DescribeFailure(const std::exception& failure) {
    Trace& trace = ThreadTrace();
    // Operations name addresses and messages quote pages and libraries: each is one line,
    // so that the description's lines are only the ones written here.
    std::string text = "Failure (innermost operation last):";
    for (const std::string* operation : trace.active) {
        text += "\n  in " + OneLine(*operation);
    }
    // Only records from below the handler's own level belong to this failure.
    for (auto record = trace.unwound.rbegin(); record != trace.unwound.rend(); ++record) {
        if (record->depth >= trace.active.size()) {
            text += "\n  in " + OneLine(record->description);
        }
    }
    trace.unwound.clear();
    return text + "\n" + OneLine(FailureKind(failure)) + ": " + OneLine(failure.what());
}

void ForgetFailure() {
    ThreadTrace().unwound.clear();
}

}  // namespace quill
