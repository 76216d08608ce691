#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What a save or open panel shows: the extensions it accepts (without the
// dot; none accepts every file), the folder it opens on (a leading "~" is
// the home folder) and, for a save panel, the name it proposes.
struct FilePanelRequest {
    QStringList allowedFileTypes;
    QString directory;
    QString nameFieldStringValue;
};

// The save and open panels, run modally. Code that asks for a file builds a
// request and takes the answer; it never builds a dialog, so tests install
// a fake picker. The real one is QtFilePicker.
class FilePicker {
public:
    virtual ~FilePicker();

    // The chosen path, or nothing when the user cancelled. A save panel's
    // path always ends with an allowed extension (the first one is added
    // when the name has none of them); an open panel's path names an
    // existing file with an allowed extension.
    virtual std::optional<QString> runSavePanel(const FilePanelRequest& request) = 0;
    virtual std::optional<QString> runOpenPanel(const FilePanelRequest& request) = 0;

    static FilePicker& current();
    // Installs a picker (not owned); null restores the real one.
    static void setCurrent(FilePicker* picker);

    // "~" and "~/..." in the home folder; anything else as it is.
    static QString expandTilde(const QString& path);
    // Whether the path's extension is one of the types (case-insensitive);
    // every path conforms to an empty list.
    static bool conformsToTypes(const QString& path, const QStringList& types);
    // The path a save panel answers for a name the user typed.
    static QString withAllowedExtension(const QString& path, const QStringList& types);
};

// The panels as Qt's own file dialog (never the desktop's, whose look and
// behaviour we cannot rely on), modal to the whole program.
class QtFilePicker : public FilePicker {
public:
    std::optional<QString> runSavePanel(const FilePanelRequest& request) override;
    std::optional<QString> runOpenPanel(const FilePanelRequest& request) override;

    // The name filter the dialog shows for the types: "*.a *.b", or every file.
    static QString nameFilter(const QStringList& types);
};
