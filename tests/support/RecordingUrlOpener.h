#pragma once

#include "UrlOpener.h"

#include <QList>
#include <QUrl>

// Records the addresses it is asked to open and opens none; installed as
// the current opener for its life. It answers as the real one would judge
// the address (refusing what UrlOpener::isOpenable refuses), or false for
// every address once told the desktop fails.
class RecordingUrlOpener : public UrlOpener {
public:
    RecordingUrlOpener();
    ~RecordingUrlOpener() override;

    bool openUrl(const QUrl& url) override;
    QList<QUrl> openedUrls() const { return m_opened; }
    void setDesktopFails(bool fails) { m_desktopFails = fails; }

private:
    UrlOpener* m_previous;
    QList<QUrl> m_opened;
    bool m_desktopFails = false;
};
