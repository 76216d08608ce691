#include "FilePicker.h"

#include "Application.h"
#include "CurrentInstance.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

CurrentInstance<FilePicker>& installedFilePicker()
{
    static QtFilePicker real;
    static CurrentInstance<FilePicker> instance(real);
    return instance;
}

// Parented to the main window when there is one, so that the dialog stays
// above it; a plain dialog otherwise.
QWidget* dialogParent()
{
    return Application::mainWindow();
}

// The folder asked for, or the home folder: left alone, the dialog would
// open in the process's working folder.
QString startFolder(const FilePanelRequest& request)
{
    const QString folder = FilePicker::expandTilde(request.directory);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

}  // namespace

FilePicker::~FilePicker() = default;

FilePicker& FilePicker::current()
{
    return installedFilePicker().get();
}

void FilePicker::setCurrent(FilePicker* picker)
{
    installedFilePicker().set(picker);
}

QString FilePicker::expandTilde(const QString& path)
{
    if (path == QLatin1String("~")) return QDir::homePath();
    if (path.startsWith(QLatin1String("~/"))) return QDir::homePath() + path.mid(1);
    return path;
}

bool FilePicker::conformsToTypes(const QString& path, const QStringList& types)
{
    if (types.isEmpty()) return true;
    const QString suffix = QFileInfo(path).suffix();
    for (const QString& type : types)
        if (suffix.compare(type, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString FilePicker::withAllowedExtension(const QString& path, const QStringList& types)
{
    if (path.isEmpty() || conformsToTypes(path, types)) return path;
    return path + QLatin1Char('.') + types.first();
}

QString QtFilePicker::nameFilter(const QStringList& types)
{
    if (types.isEmpty()) return QStringLiteral("*");
    QStringList patterns;
    for (const QString& type : types) patterns.append(QStringLiteral("*.") + type);
    return patterns.join(QLatin1Char(' '));
}

std::optional<QString> QtFilePicker::runSavePanel(const FilePanelRequest& request)
{
    QFileDialog dialog(dialogParent());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(nameFilter(request.allowedFileTypes));
    if (!request.allowedFileTypes.isEmpty()) dialog.setDefaultSuffix(request.allowedFileTypes.first());
    dialog.setDirectory(startFolder(request));
    if (!request.nameFieldStringValue.isEmpty()) dialog.selectFile(request.nameFieldStringValue);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
    return withAllowedExtension(chosen.first(), request.allowedFileTypes);
}

std::optional<QString> QtFilePicker::runOpenPanel(const FilePanelRequest& request)
{
    QFileDialog dialog(dialogParent());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(nameFilter(request.allowedFileTypes));
    dialog.setDirectory(startFolder(request));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || !QFileInfo(chosen.first()).isFile()) return std::nullopt;
    // A typed name may get past the filter: only an allowed kind is opened.
    if (!conformsToTypes(chosen.first(), request.allowedFileTypes)) {
        qWarning("'%s' is not a file the panel accepts; nothing is opened.", qUtf8Printable(chosen.first()));
        return std::nullopt;
    }
    return chosen.first();
}
