// Exception texts of repeating items as the item merge reads them: the
// service's dates and the local pieces, split from the input at a NUL byte.
#include "FuzzSupport.h"
#include "Task.h"
#include "ZVWSync.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::bytes(data, size);
    const qsizetype split = bytes.indexOf('\0');
    ZVWSync::ExceptionMergeInput input;
    input.serverText = QString::fromUtf8(split < 0 ? bytes : bytes.left(split));
    input.localText = split < 0 ? QString() : QString::fromUtf8(bytes.mid(split + 1));
    auto occurrence = std::make_shared<Task>();
    occurrence->setZvwID(size % 3);
    input.localOccurrence = [occurrence](const Date&) { return occurrence; };
    const ZVWSync::ExceptionMergeResult merged = ZVWSync::mergeExceptions(input);
    Fuzz::require(merged.text.isEmpty() || merged.text.startsWith(QLatin1Char('|')), "pieces lead with a bar");
    const ZVWSync::NewRootExceptions rebuilt = ZVWSync::newRootExceptions(input.serverText, {occurrence});
    Fuzz::require(rebuilt.occurrences.size() <= 1, "one occurrence, one date at most");
    return 0;
}
