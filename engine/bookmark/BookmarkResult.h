#pragma once

#include "BookmarkError.h"

#include <utility>
#include <variant>

namespace korvex::bookmark {

/// Either a value or the error that prevented it. Nothing in the codec throws.
template <class T> class BookmarkResult {
public:
    BookmarkResult(T value) : state_(std::move(value)) {}
    BookmarkResult(BookmarkError error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    /// The value; only valid when `ok()`.
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    /// The error; only valid when not `ok()`.
    const BookmarkError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, BookmarkError> state_;
};

} // namespace korvex::bookmark
