#include "FileWriter.h"

#include "CurrentInstance.h"

#include <QSaveFile>

namespace {

class DiskFileWriter : public FileWriter {
public:
    bool writeAtomically(const QString& path, const QByteArray& content) override
    {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            qWarning("Cannot write '%s': %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
            return false;
        }
        if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
            || file.write(content) != content.size()) {
            qWarning("Cannot write '%s': %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
            file.cancelWriting();
            return false;
        }
        if (!file.commit()) {
            qWarning("Cannot write '%s': %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
            return false;
        }
        return true;
    }
};

CurrentInstance<FileWriter>& installedFileWriter()
{
    static DiskFileWriter disk;
    static CurrentInstance<FileWriter> instance(disk);
    return instance;
}

}  // namespace

FileWriter::~FileWriter() = default;

FileWriter& FileWriter::current()
{
    return installedFileWriter().get();
}

void FileWriter::setCurrent(FileWriter* writer)
{
    installedFileWriter().set(writer);
}
