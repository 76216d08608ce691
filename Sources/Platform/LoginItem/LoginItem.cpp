#include "LoginItem.h"

#include "AlertPresenter.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <optional>

namespace {

const QString addFailedText = QStringLiteral("Couldn't add Helper App to launch at login item list.");
const QString removeFailedText = QStringLiteral("Couldn't remove Helper App from launch at login item list.");

// The texts are fixed English, as the system's own refusal would be.
void showFailure(const QString& informativeText)
{
    AlertRequest alert;
    alert.messageText = QStringLiteral("An error ocurred");
    alert.informativeText = informativeText;
    alert.addButtonWithTitle(QStringLiteral("OK"));
    AlertPresenter::current().runModal(alert);
}

// Booleans as sessions read them: "true" and "false", and the digits some
// tools write. Anything else leaves the key at its default.
std::optional<bool> booleanValue(QStringView value)
{
    if (value == u"true" || value == u"1") return true;
    if (value == u"false" || value == u"0") return false;
    return std::nullopt;
}

// A command-line argument inside double quotes: the four characters the
// shell-like parser would still interpret get a backslash, and a literal
// percent sign is doubled so it is not taken for a field code.
QString quotedArgument(const QString& argument)
{
    QString quoted;
    quoted.reserve(argument.size() + 8);
    quoted += u'"';
    for (const QChar c : argument) {
        switch (c.unicode()) {
        case u'"':
        case u'`':
        case u'$':
        case u'\\':
            quoted += u'\\';
            quoted += c;
            break;
        case u'%':
            quoted += QStringLiteral("%%");
            break;
        default:
            quoted += c;
        }
    }
    quoted += u'"';
    return quoted;
}

// The string escapes of a key file, undone by the reader before the
// argument is parsed; they keep the value on one line.
QString escapedStringValue(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': escaped += QStringLiteral("\\\\"); break;
        case u'\n': escaped += QStringLiteral("\\n"); break;
        case u'\t': escaped += QStringLiteral("\\t"); break;
        case u'\r': escaped += QStringLiteral("\\r"); break;
        default: escaped += c;
        }
    }
    return escaped;
}

QString defaultAutostartFolder()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : config + QStringLiteral("/autostart");
}

// The reason the entry could not be written; null when it was.
QString writeEntry(const QString& folder, const QString& path, const QString& programPath)
{
    if (programPath.isEmpty()) return QStringLiteral("the program's own path is unknown");
    if (folder.isEmpty()) return QStringLiteral("there is no configuration folder");
    if (!QDir().mkpath(folder)) return QStringLiteral("the folder %1 cannot be made").arg(folder);
    // Written aside and renamed over the old entry, so the session never
    // reads half an entry and a failed write keeps the old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const QByteArray content = LoginItem::entryContent(programPath);
    if (file.write(content) != content.size()) return file.errorString();
    if (!file.commit()) return file.errorString();
    return QString();
}

}  // namespace

LoginItem::LoginItem()
    : LoginItem(defaultAutostartFolder(), QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString())
{
}

LoginItem::LoginItem(const QString& autostartFolder, const QString& programPath)
    : m_autostartFolder(autostartFolder)
    , m_programPath(programPath.isEmpty() ? QString() : QFileInfo(programPath).absoluteFilePath())
{
}

QString LoginItem::entryPath() const
{
    if (m_autostartFolder.isEmpty()) return QString();
    return m_autostartFolder + u'/' + starterIdentifier + QStringLiteral(".desktop");
}

void LoginItem::enableLoginItem()
{
    const QString problem = writeEntry(m_autostartFolder, entryPath(), m_programPath);
    if (problem.isNull()) return;
    qWarning().noquote() << "Zoravel cannot be set to start at login:" << problem;
    showFailure(addFailedText);
}

void LoginItem::disableLoginItem()
{
    const QString path = entryPath();
    if (path.isEmpty()) return;
    // A link to nothing is still an entry to remove.
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return;
    QFile entry(path);
    if (entry.remove()) return;
    qWarning().noquote() << "Zoravel cannot stop starting at login:" << path << entry.errorString();
    showFailure(removeFailedText);
}

bool LoginItem::appIsPresentInLoginItems() const
{
    const QString path = entryPath();
    // Only a regular file is read: a folder, a pipe or a device in its place
    // (a pipe would block the read) is no entry.
    if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
    QFile entry(path);
    if (!entry.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "The autostart entry" << path << "cannot be read:" << entry.errorString();
        return false;
    }
    const EntryState state = readEntry(entry.read(maximumEntrySize + 1));
    if (state == EntryState::NotAnEntry)
        qWarning().noquote() << "The autostart entry" << path << "is not a desktop entry; counted as absent";
    return state == EntryState::Active;
}

LoginItem::EntryState LoginItem::readEntry(const QByteArray& bytes)
{
    if (bytes.size() > maximumEntrySize) return EntryState::NotAnEntry;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError()) return EntryState::NotAnEntry;

    bool sawGroup = false;
    bool inMainGroup = false;
    bool isApplication = false;
    bool hasCommand = false;
    bool hidden = false;
    bool enabled = true;
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']')) return EntryState::NotAnEntry;
            const QStringView group = line.sliced(1, line.size() - 2);
            // The main group comes first; other groups (actions) are not ours to read.
            if (!sawGroup && group != u"Desktop Entry") return EntryState::NotAnEntry;
            sawGroup = true;
            inMainGroup = group == u"Desktop Entry";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!sawGroup || equals <= 0) return EntryState::NotAnEntry;
        if (!inMainGroup) continue;
        const QStringView key = line.first(equals).trimmed();
        const QStringView value = line.sliced(equals + 1).trimmed();
        if (key == u"Type") {
            isApplication = value == u"Application";
        } else if (key == u"Exec") {
            hasCommand = !value.isEmpty();
        } else if (key == u"Hidden") {
            hidden = booleanValue(value).value_or(false);
        } else if (key == u"X-GNOME-Autostart-enabled") {
            enabled = booleanValue(value).value_or(true);
        }
    }
    if (!isApplication || !hasCommand) return EntryState::NotAnEntry;
    return hidden || !enabled ? EntryState::Hidden : EntryState::Active;
}

QByteArray LoginItem::entryContent(const QString& programPath)
{
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Zoravel\n"
                                         "Exec=") +
                          execValue(programPath) +
                          QStringLiteral("\n"
                                         "X-GNOME-Autostart-enabled=true\n"
                                         "Hidden=false\n");
    return entry.toUtf8();
}

QString LoginItem::execValue(const QString& programPath)
{
    return escapedStringValue(quotedArgument(programPath));
}
