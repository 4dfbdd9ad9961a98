#pragma once
// The outcome of an operation that can fail: a value, or a text saying why there is none.
// Every function of the files library and the command-line tool reports failure this way.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace pattaplex {

// The reason an operation failed, as the user reads it.
struct Failure {
    std::string why;
};

inline Failure failure(std::string why) {
    return Failure{std::move(why)};
}

template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure f) : state_(std::in_place_index<1>, std::move(f.why)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    const T& operator*() const { return std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }

    // Why it failed; only when !ok().
    const std::string& error() const { return std::get<1>(state_); }

  private:
    std::variant<T, std::string> state_;
};

// The outcome of an operation that gives nothing back but may fail.
template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Failure f) : error_(std::move(f.why)) {}

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return *error_; }

  private:
    std::optional<std::string> error_;
};

using Status = Result<void>;

}  // namespace pattaplex
