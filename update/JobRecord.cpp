#include "JobRecord.h"

#include <QCryptographicHash>
#include <QFile>

QString JobRecord::jobName(bool update, bool calibrate)
{
    if (update && calibrate)
        return QStringLiteral("update+calibrate");
    return update ? QStringLiteral("update") : QStringLiteral("calibrate");
}

QString JobRecord::fileSha256(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}
