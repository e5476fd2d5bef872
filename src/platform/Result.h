#pragma once

#include <string>
#include <utility>
#include <variant>

namespace platform {

// Why an operation on untrusted input failed, in words that name the fault
// ("FAT chain of the directory loops at sector 17").
struct Error {
    std::string message;
};

// A value or the reason there is none. Parsers return these instead of
// throwing; a caller that must answer 1 or 0 converts at its own boundary.
template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const std::string& error() const { return std::get<1>(state_).message; }

  private:
    std::variant<T, Error> state_;
};

}  // namespace platform
