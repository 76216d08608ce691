#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("Zoravel"));
    QTextStream(stdout) << "Zoravel is built. It has no window yet: the application shell is not written.\n";
    return 0;
}
