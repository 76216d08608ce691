#include "UrlOpener.h"

#include <QDebug>
#include <QDesktopServices>

#include <atomic>

namespace {

// Before the shell installs the real one: nothing leaves the process.
class LoggingUrlOpener : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override
    {
        qInfo() << "No address opener installed; not opened:" << url.toString(QUrl::RemoveQuery);
        return false;
    }
};

LoggingUrlOpener& loggingOpener()
{
    static LoggingUrlOpener opener;
    return opener;
}

std::atomic<UrlOpener*> installedUrlOpener{nullptr};

}  // namespace

UrlOpener::~UrlOpener() = default;

bool UrlOpener::isOpenable(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file")) return url.isLocalFile() && !url.toLocalFile().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

UrlOpener& UrlOpener::current()
{
    UrlOpener* opener = installedUrlOpener.load();
    return opener ? *opener : loggingOpener();
}

void UrlOpener::setCurrent(UrlOpener* opener)
{
    installedUrlOpener.store(opener);
}

bool DesktopUrlOpener::openUrl(const QUrl& url)
{
    if (!isOpenable(url)) {
        qWarning() << "Refused to open the address" << url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
        return false;
    }
    if (QDesktopServices::openUrl(url)) return true;
    qWarning() << "The desktop could not open" << url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
    return false;
}
