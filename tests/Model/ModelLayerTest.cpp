// The data manager reaches the interface only through notifications and the
// platform's narrow interfaces: no file of the model may name a widget class
// or include a widget header. The names come from the installed widget
// module itself, so a widget class added to Qt is covered without a list here.
#include "Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ModelLayerTests {

namespace {

// Every public header of the widget module is named after what it declares
// (QComboBox, QApplication, the module header QtWidgets itself).
QSet<QString> widgetModuleNames()
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::HeadersPath) + QStringLiteral("/QtWidgets");
    QSet<QString> names;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        if (name.startsWith(QLatin1Char('Q')) && !name.contains(QLatin1Char('.'))) names.insert(name);
    return names;
}

// Comments may speak of widgets; their line breaks stay, so lines keep their numbers.
QString withoutComments(const QString& text)
{
    static const QRegularExpression comment(QStringLiteral("//[^\\n]*|/\\*.*?\\*/"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QString kept;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& found : comment.globalMatch(text)) {
        kept += QStringView(text).mid(from, found.capturedStart() - from);
        kept += QString(found.captured().count(QLatin1Char('\n')), QLatin1Char('\n'));
        from = found.capturedEnd();
    }
    return kept + QStringView(text).mid(from);
}

// "file:line name" for each widget name in the C++ files under root.
QStringList widgetUses(const QString& root, const QSet<QString>& widgetNames)
{
    static const QRegularExpression qtName(QStringLiteral("\\bQ[A-Za-z]\\w*"));
    QStringList uses;
    QDirIterator files(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "Cannot read " << path.toStdString();
            continue;
        }
        const QStringList lines = withoutComments(QString::fromUtf8(file.readAll())).split(QLatin1Char('\n'));
        for (qsizetype line = 0; line < lines.size(); ++line)
            for (const QRegularExpressionMatch& found : qtName.globalMatch(lines[line]))
                if (widgetNames.contains(found.captured()))
                    uses.append(QStringLiteral("%1:%2 %3")
                                    .arg(QDir(root).relativeFilePath(path))
                                    .arg(line + 1)
                                    .arg(found.captured()));
    }
    uses.sort();
    return uses;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Also proves that the widget module's names were found: an empty set would
// let the model's check pass without looking.
TEST(ModelLayer, ScanFindsWidgetIncludesAndNamesButNotComments)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    writeFile(root.filePath(QStringLiteral("Alerts.cpp")),
              "#include <QComboBox>\n"
              "#include <QString>\n"
              "// A QMessageBox is the shell's business.\n"
              "/* so is a\n   QDialog */\n"
              "void f() { auto* box = new QComboBox; }\n");
    writeFile(root.filePath(QStringLiteral("Sub/Request.h")),
              "#include <QtWidgets/QLabel>\n"
              "class QWidget;\n"
              "struct QWidgetLike {};\n");
    writeFile(root.filePath(QStringLiteral("notes.txt")), "QPushButton\n");

    const QStringList expected{QStringLiteral("Alerts.cpp:1 QComboBox"), QStringLiteral("Alerts.cpp:6 QComboBox"),
                               QStringLiteral("Sub/Request.h:1 QLabel"), QStringLiteral("Sub/Request.h:1 QtWidgets"),
                               QStringLiteral("Sub/Request.h:2 QWidget")};
    const QStringList found = widgetUses(root.path(), widgetModuleNames());
    EXPECT_EQ(found, expected) << found.join(QStringLiteral(", ")).toStdString();
}

TEST(ModelLayer, TheModelNamesNoWidget)
{
    const QString model = QDir::cleanPath(Paths::resourcesFolder() + QStringLiteral("/../Sources/Model"));
    ASSERT_TRUE(QFileInfo::exists(model + QStringLiteral("/CoreData.cpp"))) << "No model under " << model.toStdString();
    const QStringList uses = widgetUses(model, widgetModuleNames());
    EXPECT_TRUE(uses.isEmpty()) << "The model builds no view: " << uses.join(QStringLiteral(", ")).toStdString();
}

}  // namespace

}  // namespace ModelLayerTests
