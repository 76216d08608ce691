#include "Date.h"

#include <QtGlobal>

void Date::rejectOutsideNumber(double seconds, const char* source)
{
    qWarning("Ignoring the date %g from %s: not a date between the years 1 and 9999.", seconds, source);
}
