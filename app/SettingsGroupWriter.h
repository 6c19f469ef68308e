#ifndef SETTINGSGROUPWRITER_H
#define SETTINGSGROUPWRITER_H

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

class QTemporaryDir;

// Writes the keys of one group of an INI file and leaves every other byte as it was: comments,
// blank lines, the order and layout of the other groups, and values that QSettings would write
// back differently (a path with ";" or "\" in it). Values are encoded as QSettings encodes
// them, so QSettings reads them back. A file that is not INI is never touched.
class SettingsGroupWriter
{
public:
    SettingsGroupWriter(QString path, QString group);

    void setValue(const QString &key, const QVariant &value);
    // Writes the file (AtomicFile: the old one stays unless the new one is whole on disk).
    // False, with the reason in error, when the file is not INI, is a symbolic link or cannot
    // be written.
    bool commit(QString *error) const;

    // The file's text with the group's lines (each "key=value\n") put in: a key already in the
    // group has its line replaced, a new one is added at the group's end, a missing group is
    // added at the file's end. Lines get the file's own line end.
    static QByteArray merged(const QByteArray &original, const QString &group,
                             const QList<QByteArray> &groupLines);
    // Every line a comment, a group header, a key with a value, or blank; a byte-order mark in
    // front may come first.
    static bool looksLikeIni(const QByteArray &text);

private:
    bool readOriginal(QByteArray *original, QString *error) const;
    QList<QByteArray> encodedLines(const QTemporaryDir &scratch, QString *error) const;
    static bool readsAsWritten(const QTemporaryDir &scratch, const QString &original,
                               const QString &written);

    QString path;
    QString group;
    QList<QPair<QString, QVariant>> values;
};

#endif // SETTINGSGROUPWRITER_H
