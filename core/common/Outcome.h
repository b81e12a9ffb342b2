#pragma once

#include <QString>

// The result of an operation that can fail: on failure, the French text to show the user.
struct Outcome {
    bool ok = true;
    QString message;

    static Outcome Success() { return {}; }
    static Outcome Failure(const QString& text) { return {false, text}; }
    explicit operator bool() const { return ok; }
};
