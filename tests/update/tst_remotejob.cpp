#include "JobRun.h"
#include "PortNameMap.h"
#include "ProtocolTiming.h"
#include "Ser2netServer.h"
#include "SimulatedPorts.h"
#include "TestFirmware.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace TestFirmware;

namespace {

constexpr int LocalPort = 7;
constexpr int RemotePort = 8;
// The jobs' read time-out for a reply: a lost connection must end the job before it runs out.
constexpr int JobReadTimeoutMs = 5000;

QList<QByteArray> wireBytes(SimulatedDevice *device, qsizetype expected)
{
    settledRequests(device, expected);
    QList<QByteArray> bytes;
    for (const WireRecord &record : device->log().records())
        bytes << record.bytes;
    return bytes;
}

} // namespace

// Jobs on a device that a device server serves over the network.
class tst_RemoteJob : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sameBytesAsLocal();
    void serverGoneMidJob();

private:
    QTemporaryDir dir;
    const QString local = SimulatedPorts::portName(LocalPort);
    const QString remote = SimulatedPorts::portName(RemotePort);
};

void tst_RemoteJob::init()
{
    ProtocolTiming::setScale(0.01);
    ProtocolTiming::setTimeoutScale(1.0);
}

// An update with the calibration after it puts the same bytes on the device's wire as it does
// on a local port, and sends the server each line setting once per connection however often
// the job changes its read time-outs.
void tst_RemoteJob::sameBytesAsLocal()
{
    SimulatedPorts ports;
    SimulatedDevice *localDevice = ports.add(LocalPort);
    SimulatedDevice *remoteDevice = ports.add(RemotePort);
    QVERIFY(localDevice && remoteDevice);
    Ser2netServer server;
    const QString trace = dir.filePath("trace");
    PortNameMap::instance().setPath(
        remote, server.serve(remoteDevice->portPath(), Ser2netServer::Telnet::Rfc2217, trace));
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));

    const QString file = write(dir, tenLines());
    JobRun localRun;
    QVERIFY(localRun.run(local, file, true, true));
    JobRun remoteRun;
    QVERIFY(remoteRun.run(remote, file, true, true));

    const qsizetype requests = tenLineRequests().size() + calibrationRequests().size();
    QCOMPARE(wireBytes(remoteDevice, requests), wireBytes(localDevice, requests));
    QCOMPARE(remoteRun.report().progress, localRun.report().progress);
    QCOMPARE(remoteRun.report().finishes, remoteRun.once(remote, 1, 0, true));

    const Ser2netServer::Messages sent = Ser2netServer::countMessages(trace);
    // The job's own connection and the one that finds the port free afterwards.
    QCOMPARE(sent.connections, 2);
    // Speed, data bits, parity, stop bits, flow control, DTR and RTS, once each.
    QCOMPARE(sent.settings, 7 * sent.connections);
}

// ser2net ends in the middle of an update: the job fails at once, not after its read
// time-out, and the port can be tried again without waiting.
void tst_RemoteJob::serverGoneMidJob()
{
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(RemotePort, DeviceProfile::ready(),
                                        {DeviceFault::on("WRITE DATA", DeviceFault::NoReply, 2)});
    QVERIFY(device);
    Ser2netServer server;
    PortNameMap::instance().setPath(remote, server.serve(device->portPath()));
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));

    JobRun run;
    run.thread.setJob(remote, write(dir, tenLines()), false, true, 0.0);
    run.thread.start();
    const QStringList beforeSilence {"RESET",      "CONNECT",    "NEW SECTION",
                                     "WRITE DATA", "WRITE DATA", "WRITE DATA"};
    QCOMPARE(settledRequests(device, beforeSilence.size()), beforeSilence);
    QElapsedTimer sinceKill;
    sinceKill.start();
    server.kill();
    QVERIFY(run.thread.wait(JobReadTimeoutMs * 4));
    QVERIFY2(sinceKill.elapsed() < JobReadTimeoutMs,
             qPrintable(QString::number(sinceKill.elapsed())));
    QCOMPARE(run.report().progress, (QList<int> {8, 17, 25, -8}));
    QCOMPARE(run.report().finishes, run.once(remote, -8, 0, false));
}

QTEST_GUILESS_MAIN(tst_RemoteJob)
#include "tst_remotejob.moc"
