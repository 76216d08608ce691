#pragma once

#include <QString>
#include <QValidator>

#include <limits>

// The formatter of the integer fields: what the user types must stay a whole
// number no longer than the maximum length. An empty text is allowed while
// typing (the field puts its minimum there when editing ends).
class NumberOnly {
public:
    NumberOnly() = default;

    int maximumLength() const { return m_maxLength; }
    void setMaximumLength(int maxLength) { m_maxLength = maxLength; }

    // True when the text, as it would be after a keystroke or a paste, is
    // accepted; a rejected text offers no replacement.
    bool isPartialStringValid(const QString& partialString) const;

private:
    int m_maxLength = std::numeric_limits<int>::max();
};

// The formatter as the field's editor consults it on every change.
class NumberOnlyValidator : public QValidator {
    Q_OBJECT

public:
    NumberOnlyValidator(const NumberOnly& formatter, QObject* parent) : QValidator(parent), m_formatter(formatter) {}
    const NumberOnly& formatter() const { return m_formatter; }
    State validate(QString& input, int& position) const override;

private:
    NumberOnly m_formatter;
};
