#include "LoaderImage.h"

#include "crc16.h"

#include <QRegularExpression>

bool LoaderImage::append(const QByteArray &data)
{
    if (sectionList.isEmpty())
        return false;
    sectionList.last().data.append(data);
    return true;
}

QByteArray LoaderImage::data() const
{
    QByteArray all;
    for (const Section &section : sectionList)
        all.append(section.data);
    return all;
}

FirmwareVersion LoaderImage::version() const
{
    static const QRegularExpression marker(QStringLiteral("VER:(\\d+\\.\\d+\\.\\d+)"));
    const QByteArray all = data();
    const QRegularExpressionMatch match = marker.match(QString::fromLatin1(all));
    if (match.hasMatch()) {
        if (const auto version = FirmwareVersion::fromString(match.captured(1)))
            return *version;
    }
    return {0, 0, crc16(all.constData(), unsigned(all.size()))};
}
