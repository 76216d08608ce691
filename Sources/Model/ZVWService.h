#pragma once

#include <QString>

// Where the web service is and how the program introduces itself to it.
class ZVWService {
public:
    // The root address without a trailing "/": the environment variable
    // ZORAVEL_SERVICE_URL, else the entry Service/BaseURL of
    // $XDG_CONFIG_HOME/Zoravel/Zoravel.conf, else a built-in address in the
    // reserved ".invalid" domain, which never resolves, so that an
    // unconfigured program reports the service as unreachable. An address
    // that is no http(s) address with a host is logged and skipped.
    static QString baseAddressFromConfiguration();
    static QString defaultBaseAddress();
    // The configuration file named above (empty when the system gives no
    // configuration folder); the user is told of it when no address is set.
    static QString configurationFilePath();

    // The application key: 32 lower-case hexadecimal digits.
    static QString applicationKey();

    // The address cleaned (trailing "/" dropped), or a null text when it is
    // not an http(s) address with a host and without query or fragment.
    static QString normalizedBaseAddress(const QString& address);
    // The host part of a base address (empty for an invalid one).
    static QString hostOf(const QString& baseAddress);
};
