// settings.ini: any text read as the window reads it (its own group and the [Ports] map), then
// the window's settings written back with the group writer and read once more.
//
// Input: the file's text, then optionally, each after a zero byte, the file name and the
// geometry to save; the last byte of the input decides "Calibrate after updating".
#include "FuzzInput.h"
#include "SettingsGroupWriter.h"
#include "WindowSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace {

const QString WindowGroupPrefix = QStringLiteral("Program_settings/");

// A new name for every file: QSettings caches a file's contents by name and checks only its
// size before trusting the cache.
QString freshPath()
{
    static QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/zelkor-fuzz-XXXXXX"));
    static int files = 0;
    return scratch.filePath(QStringLiteral("settings%1.ini").arg(++files));
}

bool write(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every value outside the window's group, as QSettings reads it.
QVariantMap otherValues(QSettings &settings)
{
    QVariantMap values;
    for (const QString &key : settings.allKeys()) {
        if (!key.startsWith(WindowGroupPrefix))
            values.insert(key, settings.value(key));
    }
    return values;
}

bool operator==(const WindowSettings &a, const WindowSettings &b)
{
    return a.geometry == b.geometry && a.filename == b.filename && a.openPath == b.openPath
        && a.calibrateAfter == b.calibrateAfter;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzInput::silenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> parts = FuzzInput(data, size).remaining().split('\0');
    const QByteArray original = parts.value(0);
    const QString path = freshPath();
    if (!write(path, original))
        return 0;

    QVariantMap others;
    WindowSettings saved;
    {
        QSettings settings(path, QSettings::IniFormat);
        saved = WindowSettings::load(settings);
        others = otherValues(settings);
    }
    saved.filename = QString::fromUtf8(parts.value(1));
    saved.geometry = parts.value(2);
    saved.calibrateAfter = size > 0 && (data[size - 1] & 1);

    QString error;
    if (!saved.save(path, &error)) {
        requireThat(contents(path) == original, "a file the writer refuses is left as it is");
    } else {
        const QString reread = freshPath();
        QFile::rename(path, reread);
        requireThat(SettingsGroupWriter::looksLikeIni(contents(reread)),
                    "the written file is INI, so that it can be written again");
        QSettings settings(reread, QSettings::IniFormat);
        requireThat(WindowSettings::load(settings) == saved, "the window's settings read back");
        requireThat(otherValues(settings) == others, "every other value stays as it was");
        QFile::remove(reread);
    }
    QFile::remove(path);
    return 0;
}
