// Restore of arbitrary bytes: the backup decoder and the check of the
// database it yields. The first byte picks how far in the bytes are put:
// 0 the file as it is, 1 the text the file would decrypt to (encrypted here
// under the manual key, so the prefix and Base64 decoders are reached), 2
// the database the text would hold (so SQLite's open and integrity check
// are reached). Neither may crash, and the check writes nothing.
#include "BackupFile.h"
#include "DataCrypto.h"
#include "FuzzSupport.h"
#include "GTMBase64.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QString manualKey = QString::fromLatin1(BackupFile::manualBackupKeyText);

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

void checkPayload(const QByteArray& payload)
{
    const QString path = folder().filePath(QStringLiteral("incoming.sql"));
    {
        QFile file(path);
        Fuzz::require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the copy can be written");
        Fuzz::require(file.write(payload) == payload.size(), "the copy is written whole");
    }
    QString problem;
    const bool sound = BackupFile::checkDatabaseFile(path, &problem);
    Fuzz::require(sound || !problem.isEmpty(), "a refused database says why");
    QFile file(path);
    Fuzz::require(file.open(QIODevice::ReadOnly) && file.readAll() == payload, "the check changes nothing");
    Fuzz::require(!QFile::exists(path + QStringLiteral("-journal")), "the check leaves no journal");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    Fuzz::require(folder().isValid(), "a scratch folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const QByteArray rest = Fuzz::bytes(data + 1, size - 1);
    QByteArray file;
    switch (data[0] % 3) {
    case 0:
        file = rest;
        break;
    case 1:
        file = DataCrypto::AES256EncryptedDataUsingKey(rest, BackupFile::keyForText(manualKey)).value_or(QByteArray());
        break;
    default:
        file = BackupFile::encode(rest, manualKey).value_or(QByteArray());
        break;
    }
    QString problem;
    const std::optional<QByteArray> payload = BackupFile::decode(file, manualKey, &problem);
    if (!payload) Fuzz::require(!problem.isEmpty(), "a refused file says why");
    if (payload) {
        Fuzz::require(!payload->isEmpty(), "a decoded backup holds bytes");
        if (BackupFile::hasSQLiteHeader(*payload)) checkPayload(*payload);
    }
    return 0;
}
