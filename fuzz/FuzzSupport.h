#pragma once

// What every driver shares: a quiet, pinned environment and a walk of the
// calendar arithmetic over whatever date a decoder let through.
#include "Date.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace Fuzz {

// Once per process: a pinned zone with daylight saving and locale, an
// application object (paths need one), and a log handler that drops the
// decoders' warnings (millions of lines slow a run down) but still aborts on
// a fatal message.
void setUp();

QByteArray bytes(const uint8_t* data, size_t size);
// The bytes as UTF-8 text, and as Latin-1 text (every byte a character).
QString utf8Text(const uint8_t* data, size_t size);
QString latin1Text(const uint8_t* data, size_t size);

// The bytes of an input as a keyed archive. Inputs that start with an odd
// byte are taken as the payload alone and given a header with the right
// length and checksum, so the fuzzer reaches the payload's decoder without
// having to guess a checksum first; the others are used as they are.
QByteArray archiveBytes(const uint8_t* data, size_t size);

// A date from outside must be null or inside the calendar; the calendar
// arithmetic the application applies to dates then runs on it.
void checkDateFromOutside(const Date& date);
// The arithmetic alone, for dates any code may build.
void exerciseCalendar(const Date& date);

// Stops the run with the message when a promise of a decoder does not hold.
void require(bool condition, const char* promise);

}  // namespace Fuzz
