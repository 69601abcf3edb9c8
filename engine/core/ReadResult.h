#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <utility>

namespace korvex {

/// Why a read gave no answer. A failure of the system is never taken for a verdict about the
/// file: what the scan makes of each kind
/// - gone: the entry vanished while it was looked at; nothing is said about it;
/// - unreadable: the system did not let it be read (permission, I/O error, no memory, no
///   descriptor left, ...): a "Couldn't read" line, never "broken" and never "not an alias";
/// - damaged: read, but the bytes are not what was asked for (damaged, unknown, too large):
///   the data of an alias that is damaged makes the alias broken.
struct ReadFailure {
    enum class Kind : unsigned char { gone, unreadable, damaged };

    Kind kind = Kind::gone;
    int error = 0; ///< for `unreadable`: the errno of the call that failed

    static constexpr ReadFailure gone() { return {Kind::gone, 0}; }
    static constexpr ReadFailure unreadable(int error) { return {Kind::unreadable, error}; }
    static constexpr ReadFailure damaged() { return {Kind::damaged, 0}; }

    /// The system's words for an unreadable read ("Permission denied"); "unknown error" when
    /// it gave no errno.
    std::string reason() const { return error != 0 ? std::strerror(error) : "unknown error"; }

    friend bool operator==(const ReadFailure&, const ReadFailure&) = default;
};

/// A value read, or why there is none (see ReadFailure). Reads like a `std::optional`.
template <typename T> class ReadResult {
public:
    /// No answer: the entry is gone.
    ReadResult() = default;
    ReadResult(T value) : value_(std::move(value)) {}
    ReadResult(ReadFailure failure) : failure_(failure) {}

    explicit operator bool() const { return value_.has_value(); }
    bool has_value() const { return value_.has_value(); }
    const T& operator*() const& { return *value_; }
    T& operator*() & { return *value_; }
    T&& operator*() && { return std::move(*value_); }
    const T* operator->() const { return &*value_; }
    T* operator->() { return &*value_; }

    /// Why there is no value (meaningless when there is one).
    ReadFailure failure() const { return failure_; }
    /// Whether the system did not let the value be read.
    bool unreadable() const { return !value_ && failure_.kind == ReadFailure::Kind::unreadable; }

    friend bool operator==(const ReadResult& result, const T& value) {
        return result.value_ == value;
    }
    friend bool operator==(const ReadResult& a, const ReadResult& b) {
        return a.value_ == b.value_ && (a.value_ || a.failure_ == b.failure_);
    }

private:
    std::optional<T> value_;
    ReadFailure failure_;
};

} // namespace korvex
