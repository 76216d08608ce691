// The autostart entry: whatever sits under its name decides the start-at-login box.
#include "FuzzSupport.h"
#include "LoginItem.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const LoginItem::EntryState state = LoginItem::readEntry(Fuzz::bytes(data, size));
    Fuzz::require(state == LoginItem::EntryState::NotAnEntry || state == LoginItem::EntryState::Hidden ||
                      state == LoginItem::EntryState::Active,
                  "an entry reads as one of the three states");

    // The same bytes as a program's path: no path can add a line to the
    // entry (a smuggled "Hidden=true" would turn it off) or spoil it.
    const QByteArray entry = LoginItem::entryContent(QLatin1Char('/') + Fuzz::utf8Text(data, size));
    Fuzz::require(entry.count('\n') == 6, "the program's path stays on the Exec line");
    Fuzz::require(LoginItem::readEntry(entry) == LoginItem::EntryState::Active || entry.size() > LoginItem::maximumEntrySize,
                  "the entry written for any path reads back as present");
    return 0;
}
