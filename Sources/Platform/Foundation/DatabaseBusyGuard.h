#pragma once

#include "RecordGuard.h"

// The data manager's own SQL sections that hold every record off while they
// run (the changed-items reader of web sync, the link clean-ups). Here they
// take recordLock too, as every SQL section on the shared connection must;
// the flag rule is RecordGuard's.
class DatabaseBusyGuard : public RecordGuard {
public:
    using RecordGuard::RecordGuard;
};
