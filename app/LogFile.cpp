#include "LogFile.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>
#include <memory>

namespace {

// Any thread may write a line at any moment; the file and its size are guarded.
QMutex mutex;
std::unique_ptr<QFile> file;
qint64 sizeLimit = LogFile::DefaultLimit;
QtMessageHandler previousHandler = nullptr;

const char *levelTag(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
    case QtInfoMsg:
        return "";
    case QtWarningMsg:
        return "warning: ";
    case QtCriticalMsg:
        return "critical: ";
    case QtFatalMsg:
        return "fatal: ";
    }
    return "";
}

// The full file becomes the predecessor; a new one starts.
void rotate()
{
    const QString path = file->fileName();
    file->close();
    QFile::remove(path + QStringLiteral(".1"));
    QFile::rename(path, path + QStringLiteral(".1"));
    file->open(QIODevice::WriteOnly | QIODevice::Append);
}

void writeLine(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' '
        + levelTag(type) + message.toUtf8() + '\n';
    QMutexLocker lock(&mutex);
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    if (!file || !file->isOpen())
        return;
    if (file->size() > 0 && file->size() + line.size() > sizeLimit)
        rotate();
    file->write(line);
    // A crash right after must not take the last lines with it.
    file->flush();
}

} // namespace

bool LogFile::install(const QString &path, qint64 limit, QString *error)
{
    bool opened = false;
    {
        QMutexLocker lock(&mutex);
        file = std::make_unique<QFile>(path);
        sizeLimit = limit;
        opened = file->open(QIODevice::WriteOnly | QIODevice::Append);
        if (!opened)
            *error = file->errorString();
    }
    previousHandler = qInstallMessageHandler(writeLine);
    return opened;
}

void LogFile::uninstall()
{
    qInstallMessageHandler(previousHandler);
    QMutexLocker lock(&mutex);
    file.reset();
}
