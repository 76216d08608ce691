// The account endpoints: creating an account and issuing tokens.
#include "LoopbackService.h"

#include <QJsonObject>
#include <QRandomGenerator>

namespace {

QString newToken()
{
    QString token;
    for (int i = 0; i < 4; ++i) token += QString::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, QLatin1Char('0'));
    return token;
}

// The account signature: the user name in lower case, the password and the
// application key, run through MD5.
QString signature(const QString& userName, const QString& password)
{
    return LoopbackService::md5(userName.toLower() + password + LoopbackService::applicationKey());
}

}  // namespace

void LoopbackService::addAccountEndpoints()
{
    addEndpoint(QStringLiteral("POST"), QStringLiteral("/api/users.json"), [this](const ServiceRequest& request) {
        const QString userName = request.queryValue(QStringLiteral("username"));
        const QString password = request.queryValue(QStringLiteral("pass"));
        if (request.queryValue(QStringLiteral("appreg")) != applicationKey()) return ServiceReply::error(1);
        if (userName.isEmpty() || password.isEmpty()) return ServiceReply::error(1);
        if (request.queryValue(QStringLiteral("sig")) != signature(userName, password)) return ServiceReply::error(1);
        if (hasAccount(userName)) return ServiceReply::error(5);
        addAccount(userName, password);
        return ServiceReply::json(QJsonObject{
            {QStringLiteral("account"), QJsonObject{{QStringLiteral("username"), userName}}}});
    });

    const Handler issueToken = [this](const ServiceRequest& request) {
        const QString userName = request.queryValue(QStringLiteral("username"));
        if (request.queryValue(QStringLiteral("appreg")) != applicationKey()) return ServiceReply::error(1);
        if (!hasAccount(userName)) return ServiceReply::error(2);
        if (request.queryValue(QStringLiteral("sig")) != signature(userName, passwordOf(userName)))
            return ServiceReply::error(4);
        const QString token = newToken();
        rememberToken(userName, token);
        return ServiceReply::json(QJsonObject{{QStringLiteral("tokenapi"), token}});
    };
    addEndpoint(QStringLiteral("GET"), QStringLiteral("/api/token.json"), issueToken);
    addEndpoint(QStringLiteral("POST"), QStringLiteral("/api/token.json"), issueToken);
}
