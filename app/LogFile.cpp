#include "LogFile.h"

#include "LogFileWriter.h"
#include "PrintableText.h"
#include "ScanLogging.h"

#include <QDateTime>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>
#include <memory>
#include <utility>

namespace {

// Kept before the log is installed; a program that never installs it must not grow without end.
constexpr qsizetype MaxEarlyLines = 1000;

// Any thread may write a line at any moment; the writer and the early lines are guarded.
QMutex mutex;
std::unique_ptr<LogFileWriter> writer;
QList<QByteArray> earlyLines;
bool keepingEarlyLines = false;
bool verbose = false;
bool handlerInstalled = false;
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

// One line each, whatever a device or a file name put into the message; cut between
// characters, never inside one.
QByteArray capped(const QString &message)
{
    QByteArray text = PrintableText::escaped(message).toUtf8();
    if (text.size() <= LogFile::MaxMessageBytes)
        return text;
    qsizetype end = LogFile::MaxMessageBytes;
    while (end > 0 && (uchar(text.at(end)) & 0xC0) == 0x80)
        --end;
    text.truncate(end);
    return text + LogFile::CutMark;
}

bool forStderrOnly(const QMessageLogContext &context)
{
    return !verbose && context.category
        && qstrcmp(context.category, lcScanPass().categoryName()) == 0;
}

void writeLine(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' '
        + levelTag(type) + capped(message) + '\n';
    QMutexLocker lock(&mutex);
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    if (forStderrOnly(context))
        return;
    if (writer)
        writer->write(line);
    else if (keepingEarlyLines && earlyLines.size() < MaxEarlyLines)
        earlyLines.append(line);
}

void installHandler()
{
    if (!std::exchange(handlerInstalled, true))
        previousHandler = qInstallMessageHandler(writeLine);
}

} // namespace

void LogFile::keepEarlyLines()
{
    QMutexLocker lock(&mutex);
    keepingEarlyLines = true;
    installHandler();
}

bool LogFile::install(const QString &path, qint64 limit, QString *error)
{
    QMutexLocker lock(&mutex);
    writer = std::make_unique<LogFileWriter>(path, limit);
    const bool opened = writer->open(error);
    if (opened) {
        for (const QByteArray &line : std::as_const(earlyLines))
            writer->write(line);
    } else {
        writer.reset();
    }
    earlyLines.clear();
    keepingEarlyLines = false;
    installHandler();
    return opened;
}

void LogFile::setVerbose(bool on)
{
    QMutexLocker lock(&mutex);
    verbose = on;
}

void LogFile::uninstall()
{
    QMutexLocker lock(&mutex);
    if (std::exchange(handlerInstalled, false))
        qInstallMessageHandler(previousHandler);
    writer.reset();
    earlyLines.clear();
    keepingEarlyLines = false;
}
