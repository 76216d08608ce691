#include "RecordingUrlOpener.h"

RecordingUrlOpener::RecordingUrlOpener() : m_previous(&UrlOpener::current())
{
    UrlOpener::setCurrent(this);
}

RecordingUrlOpener::~RecordingUrlOpener()
{
    UrlOpener::setCurrent(m_previous);
}

bool RecordingUrlOpener::openUrl(const QUrl& url)
{
    m_opened.append(url);
    return !m_desktopFails && isOpenable(url);
}
