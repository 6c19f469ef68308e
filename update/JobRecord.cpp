#include "JobRecord.h"

#include "FirmwareFile.h"
#include "RegularFile.h"

#include <QCryptographicHash>

QString JobRecord::jobName(JobKind kind)
{
    switch (kind) {
    case JobKind::Update:
        return QStringLiteral("update");
    case JobKind::Calibrate:
        return QStringLiteral("calibrate");
    case JobKind::UpdateThenCalibrate:
        break;
    }
    return QStringLiteral("update+calibrate");
}

QString JobRecord::fileSha256(const QString &path)
{
    // No file that the reader would refuse is read, and no more than it would read.
    QFile file(path);
    if (!RegularFile::openForReading(file))
        return QString();
    const QByteArray bytes = file.read(FirmwareFile::maxFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > FirmwareFile::maxFileSize)
        return QString();
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}
