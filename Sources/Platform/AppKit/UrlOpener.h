#pragma once

#include <QUrl>

// Opens an address in the user's browser (or a local page in whatever the
// desktop opens it with). Code that opens a page calls
// UrlOpener::current().openUrl(url) and never the desktop services itself:
// the shell installs DesktopUrlOpener at start-up, tests install a fake.
// Until one is installed, addresses are only logged.
class UrlOpener {
public:
    virtual ~UrlOpener();

    // Whether the address was handed over. Only http, https and file
    // addresses are opened; anything else (an empty or malformed address, a
    // scheme that would start another program) is refused and logged.
    virtual bool openUrl(const QUrl& url) = 0;

    // The schemes above, on a valid address.
    static bool isOpenable(const QUrl& url);

    static UrlOpener& current();
    // Installs an opener (not owned); null restores the logging one.
    static void setCurrent(UrlOpener* opener);
};

// The desktop's default handler, through QDesktopServices.
class DesktopUrlOpener : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override;
};
