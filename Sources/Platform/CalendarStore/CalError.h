#pragma once

#include <QString>

// What went wrong with a call to the calendar store, as a value the caller
// can act on, with a text for the log. A call that succeeded carries None.
struct CalError {
    enum class Code { None, NotFound, CannotRead, Refused, WriteFailed };

    Code code = Code::None;
    QString text;

    bool ok() const { return code == Code::None; }
    static CalError none() { return {}; }
    static CalError make(Code code, const QString& text) { return CalError{code, text}; }
};

// Fills an optional out-value; answers whether the call succeeded.
inline bool reportCalError(CalError* out, const CalError& error)
{
    if (out) *out = error;
    return error.ok();
}
