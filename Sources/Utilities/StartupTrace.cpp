#include "StartupTrace.h"

#include <QByteArray>
#include <QtGlobal>

#include <chrono>
#include <cstdio>

namespace StartupTrace {

namespace {

qint64 nowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

struct TraceOrigin {
    bool on = false;
    qint64 origin = 0;  // 0: from the first mark
};

TraceOrigin& traceOrigin()
{
    static TraceOrigin origin = [] {
        TraceOrigin read;
        if (!qEnvironmentVariableIsSet("ZORAVEL_STARTUP_TRACE")) return read;
        read.on = true;
        bool ok = false;
        const qint64 value = qgetenv("ZORAVEL_STARTUP_TRACE").toLongLong(&ok);
        // Only a time since the epoch is taken as the start; "1" is not one.
        if (ok && value > 1'000'000'000'000'000'000LL) read.origin = value;
        return read;
    }();
    return origin;
}

}  // namespace

bool isOn()
{
    return traceOrigin().on;
}

void mark(const char* step)
{
    TraceOrigin& trace = traceOrigin();
    if (!trace.on) return;
    const qint64 now = nowNanoseconds();
    if (trace.origin == 0) trace.origin = now;
    std::fprintf(stderr, "trace %.1f %s\n", double(now - trace.origin) / 1e6, step);
    std::fflush(stderr);
}

}  // namespace StartupTrace
