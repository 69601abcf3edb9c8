#pragma once

#include "TextCatalog.h"

#include <cstring>
#include <string>

namespace korvex {

/// A write done, or why not: the errno of the system call that failed, or the platform's own
/// words when it refused to write (a static text: "it changed since it was read", ...). The
/// reason travels up to the report unchanged, so that a full disk is never told as a refusal.
class WriteResult {
public:
    /// Done.
    WriteResult() = default;

    /// The system refused: `error` is the errno of the call that failed (0: none known).
    static WriteResult failed(int error) { return WriteResult(error, nullptr); }
    /// The platform refused, for the reason `words` gives (a static text, no errno, marked with
    /// `KORVEX_TRANSLATE_NOOP("WriteResult", ...)` for the catalogue).
    static WriteResult refused(const char* words) { return WriteResult(0, words); }

    explicit operator bool() const { return done_; }
    /// The errno of a failure (0: a refusal, or none known).
    int error() const { return error_; }
    /// Why it was not done, in words: the platform's, else the system's, else "unknown error".
    std::string reason() const {
        return words_ ? words_ : error_ != 0 ? std::strerror(error_) : "unknown error";
    }
    /// `reason()` with the platform's words in `catalog`'s language.
    std::string reason(const TextCatalog& catalog) const {
        return words_ ? catalog.translate("WriteResult", words_) : reason();
    }

private:
    WriteResult(int error, const char* words) : done_(false), error_(error), words_(words) {}

    bool done_ = true;
    int error_ = 0;
    const char* words_ = nullptr;
};

} // namespace korvex
