#pragma once

#include <optional>
#include <string>
#include <utility>

namespace brenvik {

// A value or the error text the caller shows to the user. Core code reports failures
// this way instead of showing boxes.
template <class T> class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    static Result failure(std::string error) {
        Result r;
        r.error_ = std::move(error);
        return r;
    }
    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; }
    T& value() { return *value_; }
    const std::string& error() const { return error_; }

private:
    Result() = default;
    std::optional<T> value_;
    std::string error_;
};

// An operation without a value: empty error text means success.
struct Status {
    std::string error;
    bool ok() const { return error.empty(); }
    explicit operator bool() const { return ok(); }
    static Status success() { return {}; }
    static Status failure(std::string e) { return {std::move(e)}; }
};

} // namespace brenvik
