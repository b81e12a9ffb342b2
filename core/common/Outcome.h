#pragma once

#include <QString>

// Why an operation failed, for a caller to act on; the text beside it tells the user.
enum class OutcomeType {
    Success,
    // What was asked is not allowed as it stands: a value outside its range or order, an address
    // that is not trusted, an output that is an input or exists.
    Refused,
    // A file or input that cannot be opened or read whole.
    CannotRead,
    // A file that cannot be made, written or put in place.
    CannotWrite,
    NoMemory,
    // A file that is not of the kind asked for, or not one this program takes.
    Unsupported,
    // A file of the right kind whose content cannot be used.
    Corrupt,
};

// The result of an operation that can fail: on failure, its kind and the French text to show.
struct [[nodiscard]] Outcome {
    OutcomeType kind = OutcomeType::Success;
    QString message;

    static Outcome Success() { return {}; }
    // `kind` is one of the failures.
    static Outcome Failure(OutcomeType kind, const QString& text) { return {kind, text}; }
    explicit operator bool() const { return kind == OutcomeType::Success; }
};
