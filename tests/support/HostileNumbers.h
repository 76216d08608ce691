#pragma once

#include <limits>

// Numbers a damaged file, row, clipboard or text may hold where a date
// belongs, in seconds since 1970: none is a date of the calendar (years 1 to
// 9999), and none may reach calendar arithmetic.
struct HostileNumber {
    const char* name;
    double seconds;
    const char* text;  // as a column or side-file text writes it
};

inline const HostileNumber hostileNumbers[] = {
    {"NaN", std::numeric_limits<double>::quiet_NaN(), "nan"},
    {"+infinity", std::numeric_limits<double>::infinity(), "inf"},
    {"-infinity", -std::numeric_limits<double>::infinity(), "-inf"},
    {"1e300", 1e300, "1e300"},
    {"-1e300", -1e300, "-1e300"},
    {"year 0", -62150000000.0, "-62150000000"},
    {"year 10000", 253450000000.0, "253450000000"},
    {"largest 64-bit integer", 9223372036854775807.0, "9223372036854775807"},
    {"smallest 64-bit integer", -9223372036854775807.0 - 1.0, "-9223372036854775808"},
};
