#include "NumberOnly.h"

namespace {

// A whole number as the user writes one: an optional sign, then digits only.
bool isWholeNumber(const QString& text)
{
    qsizetype i = 0;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) i = 1;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9')) return false;
    return true;
}

}  // namespace

bool NumberOnly::isPartialStringValid(const QString& partialString) const
{
    if (partialString.size() > qsizetype(m_maxLength)) return false;
    return partialString.isEmpty() || isWholeNumber(partialString);
}

QValidator::State NumberOnlyValidator::validate(QString& input, int&) const
{
    return m_formatter.isPartialStringValid(input) ? Acceptable : Invalid;
}
