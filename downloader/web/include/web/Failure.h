#pragma once

#include <exception>
#include <string>

namespace quill {

// Marks an operation in progress. When a failure passes through it on its way out, the
// operation is remembered, so that the failure's description can show the chain of
// operations that were active where it happened.
class OperationScope {
  public:
    explicit OperationScope(std::string description);
    ~OperationScope();
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

  private:
    std::string description_;
    int uncaughtAtStart_;
};

// The description of the failure being handled, over several lines (no line end after the
// last): a header, the operations that were active, innermost last, and "Kind: message".
// Each operation and the message are made one line (quill::OneLine), whatever they quote.
// Call it from the handler that catches the failure.
std::string DescribeFailure(const std::exception& failure);

// The "Kind" of a failure as the description names it.
std::string FailureKind(const std::exception& failure);

// Forgets what a failure's unwinding recorded, for handlers that absorb a failure
// without describing it.
void ForgetFailure();

}  // namespace quill
