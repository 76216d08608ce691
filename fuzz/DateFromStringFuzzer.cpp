// Date texts of calendar files.
#include "FuzzSupport.h"
#include "Utilities.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fuzz::checkDateFromOutside(Utilities::dateFromString(Fuzz::utf8Text(data, size)));
    Fuzz::checkDateFromOutside(Utilities::dateFromString(Fuzz::latin1Text(data, size)));
    return 0;
}
