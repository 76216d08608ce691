#include "TextTable.h"

#include <QDebug>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString tablePath = QStringLiteral(":/Texts/English.json");

QHash<QString, QString> loadTable()
{
    QHash<QString, QString> table;
    QFile file(tablePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "The text table is missing:" << tablePath;
        return table;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject()) {
        qWarning() << "The text table is not a JSON object:" << error.errorString();
        return table;
    }
    const QJsonObject object = document.object();
    table.reserve(object.size());
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it.value().isString())
            table.insert(it.key(), it.value().toString());
        else
            qWarning() << "The text of" << it.key() << "is not a string";
    }
    return table;
}

const QHash<QString, QString>& table()
{
    static const QHash<QString, QString> loaded = loadTable();
    return loaded;
}

}  // namespace

QString TextTable::localizedString(const QString& key)
{
    return table().value(key);
}

bool TextTable::hasText(const QString& key)
{
    return !table().value(key).isEmpty();
}

QStringList TextTable::allKeys()
{
    QStringList keys = table().keys();
    keys.sort();
    return keys;
}
