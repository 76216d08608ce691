// Text pasted into an integer field: the formatter's check of every change,
// then the bounds applied when editing ends. The first 16 bytes, when there
// are that many, give the bounds.
#include "CustomNSTextField_NSNumberFormatter.h"
#include "FuzzSupport.h"
#include "NumberOnly.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qint64 minValue = 1, maxValue = 99;
    if (size >= 16) {
        std::memcpy(&minValue, data, 8);
        std::memcpy(&maxValue, data + 8, 8);
        data += 16;
        size -= 16;
    }
    if (minValue > maxValue) std::swap(minValue, maxValue);
    const QString text = Fuzz::utf8Text(data, size);
    NumberOnly formatter;
    formatter.setMaximumLength(size % 2 ? 2 : int(size % 40));
    const bool accepted = formatter.isPartialStringValid(text);
    if (accepted && text.size() > formatter.maximumLength()) __builtin_trap();

    const QString ended = CustomNSTextField_NSNumberFormatter::clampedText(text, minValue, maxValue);
    if (ended == text) {
        // Kept as typed: a number within the bounds.
        bool ok = false;
        const qint64 value = text.toLongLong(&ok);
        if (ok && (value < minValue || value > maxValue)) __builtin_trap();
    } else if (ended != QString::number(minValue) && ended != QString::number(maxValue)) {
        __builtin_trap();
    }
    return 0;
}
