#include "Utilities.h"


#include <QLocale>
#include <QRegularExpression>
#include <QStringView>

#include <openssl/evp.h>

#include <algorithm>
#include <limits>

namespace {

bool isAbsoluteAlertType(qint64 type)
{
    return type == 0 || type == 2;
}

// Column texts may also come from the web service, so reading never fails: a
// number is read from the leading part of the text (blanks, sign, digits) and
// text without one reads as 0. 32-bit readings saturate. Scanned by hand: the
// alarms read every alert text of the working list whenever it loads.
bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || (u >= u'\t' && u <= u'\r');
}

bool isDigit(QStringView text, qsizetype at)
{
    return at < text.size() && text[at].unicode() >= u'0' && text[at].unicode() <= u'9';
}

qsizetype afterBlanks(QStringView text)
{
    qsizetype at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    return at;
}

qint32 intValue(const QString& text)
{
    qsizetype at = afterBlanks(text);
    const bool negative = at < text.size() && text[at] == u'-';
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) ++at;
    if (!isDigit(text, at)) return 0;
    const qint64 limit = negative ? -qint64(std::numeric_limits<qint32>::min()) : qint64(std::numeric_limits<qint32>::max());
    qint64 magnitude = 0;
    for (; isDigit(text, at); ++at) magnitude = std::min(magnitude * 10 + (text[at].unicode() - u'0'), limit);
    return static_cast<qint32>(negative ? -magnitude : magnitude);
}

// The leading decimal number: sign, digits with an optional point (or a
// point and digits), an exponent only when digits follow its "e".
double doubleValue(const QString& text)
{
    const qsizetype start = afterBlanks(text);
    qsizetype at = start;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) ++at;
    const qsizetype integerStart = at;
    while (isDigit(text, at)) ++at;
    if (at > integerStart) {
        if (at < text.size() && text[at] == u'.') ++at;
        while (isDigit(text, at)) ++at;
    } else {
        if (!(at < text.size() && text[at] == u'.' && isDigit(text, at + 1))) return 0.0;
        ++at;
        while (isDigit(text, at)) ++at;
    }
    if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
        qsizetype exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == u'-' || text[exponent] == u'+')) ++exponent;
        if (isDigit(text, exponent)) {
            while (isDigit(text, exponent)) ++exponent;
            at = exponent;
        }
    }
    return QLocale::c().toDouble(QStringView(text).mid(start, at - start));
}

QString alertItem(const AlertObj& alert)
{
    const QString type = QString::number(alert.alertType());
    if (!isAbsoluteAlertType(alert.alertType()))
        return type % QLatin1Char('|') % QString::number(alert.relativeOffset()) % QLatin1Char('|')
            % alert.soundName();
    // Whole seconds, rounded as printf rounds.
    const double stored = Utilities::toDBDate(alert.absoluteDate()).timeIntervalSince1970();
    return type % QLatin1Char('|') % QString::asprintf("%0.0f", stored) % QLatin1Char('|') % alert.soundName();
}

}  // namespace

QString Utilities::updateAlertList(const QList<std::shared_ptr<AlertObj>>& list)
{
    QString text;
    for (const std::shared_ptr<AlertObj>& alert : list)
        text += QLatin1Char('/') % alertItem(*alert);
    return text;
}

std::shared_ptr<AlertObj> Utilities::getAlertFromList(const QStringList& list, qsizetype index)
{
    auto alert = std::make_shared<AlertObj>();
    if (index < 0 || index >= list.size()) return alert;

    const QStringList fields = list.at(index).split(QLatin1Char('|'));
    const auto field = [&fields](qsizetype i) { return i < fields.size() ? fields.at(i) : QString(); };
    alert->setAlertType(intValue(field(0)));
    if (isAbsoluteAlertType(alert->alertType()))
        alert->setAbsoluteDate(Utilities::fromDBDate(Date::dateFromOutside(doubleValue(field(1)), "an alert list")));
    else
        alert->setRelativeOffset(intValue(field(1)));
    alert->setSoundName(field(2).isEmpty() ? QStringLiteral("") : field(2));
    return alert;
}

bool Utilities::isTagList(const QString& tagList, const QStringList& names)
{
    // An empty name matches no tag.
    return std::any_of(names.cbegin(), names.cend(), [&tagList](const QString& name) {
        return !name.isEmpty() && tagList.contains(name, Qt::CaseInsensitive);
    });
}

QString Utilities::md5(const QString& string)
{
    QByteArray bytes = string.toUtf8();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) bytes.truncate(nul);

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (EVP_Digest(bytes.constData(), static_cast<size_t>(bytes.size()), digest, &digestLength, EVP_md5(),
                   nullptr) != 1)
        qFatal("MD5 digest failed");
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), digestLength).toHex());
}

bool Utilities::isEmailValid(const QString& text)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}")));
    return pattern.match(text).hasMatch();
}
