// Exception lists of repeating events ("|<stored seconds>(1)", "(2)"), which
// also come from the web service: every entry read back is well formed, and
// the reading never stops on a malformed piece.
#include "FuzzSupport.h"
#include "iCalSyncJobs.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = Fuzz::utf8Text(data, size);
    const qsizetype pieces = text.split(QLatin1Char('|')).size();
    qsizetype lastIndex = -1;
    for (const iCalSyncJobs::ExceptionEntry& entry : iCalSyncJobs::readExceptionEntries(text, 1)) {
        Fuzz::require(entry.marker >= 0 && entry.marker <= 2, "a marker is none, (1) or (2)");
        Fuzz::require(entry.index > lastIndex && entry.index + 1 < pieces, "entries come in order, one per piece");
        lastIndex = entry.index;
        bool digits = !entry.dateText.isEmpty();
        for (qsizetype i = 0; i < entry.dateText.size(); ++i)
            digits = digits && (entry.dateText.at(i).isDigit() || (i == 0 && entry.dateText.at(i) == QLatin1Char('-')));
        Fuzz::require(digits, "a date is digits");
        Fuzz::require(entry.date.isValid(), "a date read is a date");
    }
    return 0;
}
