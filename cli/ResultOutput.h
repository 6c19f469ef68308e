#ifndef RESULTOUTPUT_H
#define RESULTOUTPUT_H

#include "JobRecord.h"
#include "PortRefusal.h"
#include "TDevices.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// What zelkor-cli prints when it is done: the devices of a scan, or one result per job; as
// lines for people or as JSON for scripts. The JSON is made from values only, never from the
// texts people read, so that it is the same under every locale; its "format" number goes up
// whenever a field changes its meaning or goes away.
namespace ResultOutput {

constexpr int JsonFormat = 1;

// A header line, then one line per device, fields separated by tabs: port, device path, serial
// number, description, firmware version, status.
QByteArray deviceLines(const QList<TDevices> &devices);
// The devices and, with status "refused", the ports that could not be asked.
QByteArray deviceJson(const QList<TDevices> &devices, const QList<PortRefusal> &refused);

// A line per job with the port, the serial number and the result: "\\.\COM5 serial 5005: ok
// 2.0.1", "... failed: <reason>" or "... interrupted".
QByteArray jobLines(const QList<JobRecord> &jobs);
QByteArray jobJson(const QList<JobRecord> &jobs);

// "\\.\COM5: " and what keeps the port from us and what to do about it, as the window's row
// of such a port says it.
QString refusalText(const PortRefusal &refusal);
// For standard error: "zelkor-cli: " and the text, a line each.
QByteArray messageLines(const QStringList &messages);
QByteArray refusalLines(const QList<PortRefusal> &refused);
// For standard output with --json when the program ends without results: the exit code and
// the messages of standard error.
QByteArray errorJson(int exitCode, const QStringList &messages);
// Ends the program before any job: the problems on standard error and, with json, as JSON on
// standard output. Returns the exit code.
int refuse(bool json, int exitCode, const QStringList &problems);

// What a dry run would do: a line or a JSON job per port, with the result "dry_run".
QByteArray planLines(const QList<JobRecord> &jobs);
QByteArray planJson(const QList<JobRecord> &jobs);

} // namespace ResultOutput

#endif // RESULTOUTPUT_H
