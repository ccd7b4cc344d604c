#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quill {

// SHA-256 over bytes given in pieces; Hex() gives the 64 lower-case hex digits.
class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    Sha256& Add(std::string_view bytes);
    std::string Hex();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

std::string Sha256Hex(std::string_view bytes);

}  // namespace quill
