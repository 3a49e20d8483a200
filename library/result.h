#pragma once

#include "library/textcodec.h"

#include <QString>
#include <optional>
#include <string>
#include <utility>

namespace brenvik {

// A value or the error text the caller shows to the user. Code below the windows reports
// every failure this way: not by showing boxes, throwing, or returning an empty-or-error
// text.
//
// The error text is bytes, not a QString, because node texts are bytes in whatever code
// page their file was written in, and many errors quote them ("Invalid level (3) for item
// "..."", "'x' is not a valid integer value"): kept as bytes, the tool prints them as the
// file holds them and the windows decode them by the rule that decodes node texts
// (ErrorText). Texts made by Qt (file names, the system's reasons) are stored as UTF-8,
// which that rule reads back unchanged.
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
    static Status failure(const char* e) { return {e}; }
    static Status failure(const QString& e) { return {e.toStdString()}; }
};

// The error as a box shows it.
inline QString ErrorText(const Status& s) {
    return BytesToDisplay(s.error);
}
template <class T> QString ErrorText(const Result<T>& r) {
    return BytesToDisplay(r.error());
}

} // namespace brenvik
