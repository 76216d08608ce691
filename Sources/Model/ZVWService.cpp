#include "ZVWService.h"

#include <QDebug>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

QString ZVWService::defaultBaseAddress()
{
    return QStringLiteral("https://service.zoravel.invalid");
}

QString ZVWService::applicationKey()
{
    return QStringLiteral("9c2f6b1e84d37a05e1b94c6d2f7a3e58");
}

QString ZVWService::normalizedBaseAddress(const QString& address)
{
    QString trimmed = address.trimmed();
    while (trimmed.endsWith(QLatin1Char('/'))) trimmed.chop(1);
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QString();
    if (url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty()) return QString();
    return trimmed;
}

QString ZVWService::hostOf(const QString& baseAddress)
{
    return QUrl(baseAddress, QUrl::StrictMode).host();
}

QString ZVWService::configurationFilePath()
{
    const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return configFolder.isEmpty() ? QString() : configFolder + QStringLiteral("/Zoravel/Zoravel.conf");
}

QString ZVWService::baseAddressFromConfiguration()
{
    const QString fromEnvironment = qEnvironmentVariable("ZORAVEL_SERVICE_URL");
    if (!fromEnvironment.isEmpty()) {
        const QString address = normalizedBaseAddress(fromEnvironment);
        if (!address.isNull()) return address;
        qWarning() << "ZORAVEL_SERVICE_URL is not an http(s) address, ignored:" << fromEnvironment;
    }
    const QString configFile = configurationFilePath();
    if (!configFile.isEmpty()) {
        const QSettings file(configFile, QSettings::IniFormat);
        const QString fromFile = file.value(QStringLiteral("Service/BaseURL")).toString();
        if (!fromFile.isEmpty()) {
            const QString address = normalizedBaseAddress(fromFile);
            if (!address.isNull()) return address;
            qWarning() << "Service/BaseURL of" << file.fileName() << "is not an http(s) address, ignored:" << fromFile;
        }
    }
    return defaultBaseAddress();
}
