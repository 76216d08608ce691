#include "SourceScan.h"

#include "Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

LiteralScan scanLiteralCalls(const QString& root, const QStringList& functions, const QString& skipBaseName)
{
    const QString names = QStringLiteral("(") + functions.join(QLatin1Char('|')) + QStringLiteral(")");
    const QRegularExpression call(QStringLiteral("\\b") + names + QStringLiteral("\\s*\\("));
    const QRegularExpression literalCall(
        names + QStringLiteral("\\s*\\(\\s*QStringLiteral\\s*\\(\\s*\"([^\"\\\\]*)\"\\s*\\)\\s*[,)]"));
    LiteralScan scan;
    QDirIterator files(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (QFileInfo(path).completeBaseName() == skipBaseName) continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            scan.unreadableCalls.append(QDir(root).relativeFilePath(path) + QStringLiteral(": unreadable"));
            continue;
        }
        const QString text = QString::fromUtf8(file.readAll());
        ++scan.filesRead;
        for (const QRegularExpressionMatch& found : call.globalMatch(text)) {
            const QRegularExpressionMatch literal =
                literalCall.match(text, found.capturedStart(), QRegularExpression::NormalMatch,
                                  QRegularExpression::AnchorAtOffsetMatchOption);
            if (literal.hasMatch()) {
                scan.names.append(literal.captured(2));
            } else {
                const int line = int(QStringView(text).left(found.capturedStart()).count(u'\n')) + 1;
                scan.unreadableCalls.append(QDir(root).relativeFilePath(path) + QLatin1Char(':') +
                                            QString::number(line));
            }
        }
    }
    scan.names.removeDuplicates();
    return scan;
}

QString sourcesFolder()
{
    return QDir::cleanPath(Paths::resourcesFolder() + QStringLiteral("/../Sources"));
}

bool writeTextFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}
