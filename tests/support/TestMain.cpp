// Entry point of every test binary: a headless application (the program's own
// application object) in a private data folder, so tests never touch the
// user's files or need a display.
#include "TestEnvironment.h"

#include "Application.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QString dataRoot;
}

QString testDataRoot()
{
    return dataRoot;
}

#ifdef ZORAVEL_SANITIZE
// The sanitizers read these before main, in every run of a test binary (CTest's,
// its test listing, or by hand), so a report always fails the run. Settings in
// ASAN_OPTIONS / UBSAN_OPTIONS still override them one by one.
extern "C" const char* __asan_default_options()
{
    return "halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1"
           ":check_initialization_order=1:strict_init_order=1:strict_string_checks=1";
}

extern "C" const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}
#endif

namespace {

bool listsTestsOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--gtest_list_tests") == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    // Listing the tests (CTest's discovery, at build or test time) must work
    // without a display, whatever platform the tests themselves run on. A
    // binary asked for xcb without a DISPLAY starts offscreen too, so its
    // tests can fail with a clear message instead of Qt aborting.
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY");
    if (listsTestsOnly(argc, argv) || (noDisplay && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) ||
        (noDisplay && qgetenv("QT_QPA_PLATFORM") == "xcb"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", "Europe/Paris");
    // Tests that hold a lock from another connection expect the write to fail;
    // they need not wait the program's few seconds for it each time.
    if (!qEnvironmentVariableIsSet("ZORAVEL_BUSY_TIMEOUT_MS")) qputenv("ZORAVEL_BUSY_TIMEOUT_MS", "50");

    QTemporaryDir root;
    root.setAutoRemove(true);
    dataRoot = root.path();
    const QString runtime = dataRoot + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    qputenv("XDG_DATA_HOME", (dataRoot + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (dataRoot + QStringLiteral("/config")).toUtf8());

    Application app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("ZoravelTests"));

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
