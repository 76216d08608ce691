// Entry point of every test binary: a headless application in a private data
// folder, so tests never touch the user's files or need a display.
#include "TestEnvironment.h"

#include <QApplication>
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

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", "Europe/Paris");

    QTemporaryDir root;
    root.setAutoRemove(true);
    dataRoot = root.path();
    const QString runtime = dataRoot + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    qputenv("XDG_DATA_HOME", (dataRoot + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (dataRoot + QStringLiteral("/config")).toUtf8());

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("ZoravelTests"));

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
