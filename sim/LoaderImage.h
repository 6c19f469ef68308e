#ifndef LOADERIMAGE_H
#define LOADERIMAGE_H

#include "DeviceProfile.h"

#include <QByteArray>
#include <QList>

// The firmware a loader has been given since its last CONNECT: one section per NEW SECTION
// frame, holding the bytes of the WRITE DATA frames that followed it.
class LoaderImage
{
public:
    struct Section
    {
        QByteArray address; // the 8 bytes of the NEW SECTION frame
        QByteArray data;
    };

    void clear() { sectionList.clear(); }
    void startSection(const QByteArray &address) { sectionList.append({address, {}}); }
    // False when no section has been started.
    bool append(const QByteArray &data);

    QList<Section> sections() const { return sectionList; }
    // Every data byte written, sections joined in order.
    QByteArray data() const;

    // The version the image boots as: the first "VER:major.minor.build" text in its data, or
    // else 0.0.<crc16 of its data>, so that every different image reports itself differently.
    FirmwareVersion version() const;

private:
    QList<Section> sectionList;
};

#endif // LOADERIMAGE_H
