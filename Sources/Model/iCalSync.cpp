#include "iCalSync.h"

std::atomic<bool> iCalSyncBusy{false};
