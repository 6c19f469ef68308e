#include "ComPort.h"
#include "DeviceFault.h"
#include "PortNameMap.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>

namespace {

// Generous: only a tool that hangs runs into them.
constexpr int ProcessWaitMs = 10000;

QByteArray ask(const QString &portName, const QByteArray &request, int replyLength, bool raw)
{
    ComPort port;
    port.setTimeouts(0, 300, 2, 0, 1000);
    QByteArray reply(replyLength, '\0');
    if (!port.open(portName.toLatin1().constData(), false))
        return {};
    const bool ok = raw ? port.transactRaw(request.constData(), unsigned(request.size()),
                                           reply.data(), unsigned(replyLength))
                        : port.transact(request.constData(), unsigned(request.size()), reply.data(),
                                        unsigned(replyLength));
    port.close();
    return ok ? reply : QByteArray();
}

} // namespace

class TestDevsim : public QObject
{
    Q_OBJECT

private slots:
    void badArgumentsExitWithUsageError_data();
    void badArgumentsExitWithUsageError();
    void helpDocumentsEveryProfileAndFault();
    void runPublishesThePortsUntilStopped_data();
    void runPublishesThePortsUntilStopped();

private:
    QTemporaryDir folder;
};

void TestDevsim::badArgumentsExitWithUsageError_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("no device") << QStringList {};
    QTest::newRow("unknown option") << QStringList {"--device", "ready:COM5", "--bogus"};
    QTest::newRow("stray argument") << QStringList {"--device", "ready:COM5", "COM6"};
    QTest::newRow("unknown profile") << QStringList {"--device", "fancy:COM5"};
    QTest::newRow("no port") << QStringList {"--device", "ready"};
    QTest::newRow("port out of range") << QStringList {"--device", "ready:COM256"};
    QTest::newRow("leading zero") << QStringList {"--device", "ready:COM05"};
    QTest::newRow("port twice") << QStringList {"--device", "ready:COM5", "--device", "isp:COM5"};
    QTest::newRow("unknown key") << QStringList {"--device", "ready:COM5,colour=red"};
    QTest::newRow("serial too big") << QStringList {"--device", "ready:COM5,serial=4294967296"};
    QTest::newRow("bad version") << QStringList {"--device", "ready:COM5,fw=1.256.0"};
    QTest::newRow("long description") << QStringList {"--device", "ready:COM5,desc=NINECHARS"};
    QTest::newRow("geti length") << QStringList {"--device", "ready:COM5,geti=30"};
    QTest::newRow("measurement out of range") << QStringList {"--device", "ready:COM5,m4=40000"};
    QTest::newRow("fault on a port without device")
        << QStringList {"--device", "ready:COM5", "--fault", "COM6:gser:no-reply"};
    QTest::newRow("fault request")
        << QStringList {"--device", "ready:COM5", "--fault", "COM5:gsex:no-reply"};
    QTest::newRow("fault kind") << QStringList {"--device", "ready:COM5", "--fault",
                                                "COM5:gser:explode"};
    QTest::newRow("fault key") << QStringList {"--device", "ready:COM5", "--fault",
                                               "COM5:gser:split,bytes"};
    QTest::newRow("fault data") << QStringList {"--device", "ready:COM5", "--fault",
                                                "COM5:gser:wrong-echo,data=xyz"};
    QTest::newRow("latency") << QStringList {"--device", "ready:COM5", "--latency", "-5"};
}

void TestDevsim::badArgumentsExitWithUsageError()
{
    QFETCH(QStringList, arguments);
    const QString settings = folder.filePath("bad.ini");
    QProcess tool;
    tool.start(ZELKOR_DEVSIM, arguments << "--settings" << settings);
    QVERIFY(tool.waitForFinished(ProcessWaitMs));

    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 2);
    const QByteArray error = tool.readAllStandardError();
    QVERIFY2(error.startsWith("zelkor-devsim: ") && error.count('\n') == 1, error.constData());
    QVERIFY(tool.readAllStandardOutput().isEmpty());
    QVERIFY(!QFile::exists(settings));
}

void TestDevsim::helpDocumentsEveryProfileAndFault()
{
    QProcess tool;
    tool.start(ZELKOR_DEVSIM, {"--help"});
    QVERIFY(tool.waitForFinished(ProcessWaitMs));
    QCOMPARE(tool.exitCode(), 0);
    const QString help = QString::fromUtf8(tool.readAllStandardOutput());

    for (const char *profile : {"ready", "legacy", "loader", "isp", "silent"})
        QVERIFY2(help.contains(QStringLiteral("\n  %1 ").arg(profile)), profile);
    for (int kind = DeviceFault::NoReply; kind <= DeviceFault::Unplug; ++kind) {
        const QString name = DeviceFault::kindName(DeviceFault::Kind(kind));
        QVERIFY2(help.contains(QStringLiteral(" %1 ").arg(name)), qPrintable(name));
    }
}

void TestDevsim::runPublishesThePortsUntilStopped_data()
{
    QTest::addColumn<int>("signal");

    QTest::newRow("Ctrl-C") << SIGINT;
    QTest::newRow("terminate") << SIGTERM;
}

void TestDevsim::runPublishesThePortsUntilStopped()
{
    QFETCH(int, signal);
    const QString settingsPath = folder.filePath("settings.ini");
    {
        QSettings settings(settingsPath, QSettings::IniFormat);
        settings.setValue("Program_settings/open_path", "/home/tech");
        settings.setValue("Ports/COM9", "/dev/ttyUSB0"); // somebody else's entry stays
    }
    QProcess tool;
    tool.start(ZELKOR_DEVSIM,
               {"--device", "ready:COM5,serial=77", "--device", "loader:COM6", "--device",
                "isp:COM7", "--fault", "COM5:gfwv:no-reply", "--settings", settingsPath, "--log"});
    QVERIFY(tool.waitForStarted(ProcessWaitMs));
    QByteArray output;
    while (!output.contains("Ctrl-C") && tool.waitForReadyRead(ProcessWaitMs))
        output += tool.readAllStandardOutput();
    QVERIFY2(output.contains("COM5") && output.contains("COM6") && output.contains("COM7"),
             output.constData());

    QSettings settings(settingsPath, QSettings::IniFormat);
    QStringList paths;
    for (int port : {5, 6, 7})
        paths << settings.value(QStringLiteral("Ports/COM%1").arg(port)).toString();
    for (const QString &path : paths)
        QVERIFY2(QFile::exists(path), qPrintable(path));
    PortNameMap::instance().loadSettings(settings);
    const QByteArray serial = ask(PortNameMap::portName(5), "gser", 10, false);
    QCOMPARE(qFromLittleEndian<quint32>(serial.leftJustified(4, '\0').constData()), 77u);
    QCOMPARE(ask(PortNameMap::portName(5), "gfwv", 10, false), QByteArray());
    QCOMPARE(ask(PortNameMap::portName(6), QByteArray::fromHex("31670000"), 8, true).mid(4, 2),
             QByteArray("nn"));
    PortNameMap::instance().clear();

    // The traffic log shows the request the fault swallowed.
    QTRY_VERIFY_WITH_TIMEOUT((output += tool.readAllStandardOutput()).contains("[no-reply]"),
                             ProcessWaitMs);
    QVERIFY2(output.contains("COM5 firmware gfwv"), output.constData());
    ::kill(pid_t(tool.processId()), signal);
    QVERIFY(tool.waitForFinished(ProcessWaitMs));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);

    settings.sync();
    settings.beginGroup("Ports");
    QCOMPARE(settings.childKeys(), QStringList {"COM9"});
    settings.endGroup();
    QCOMPARE(settings.value("Program_settings/open_path").toString(), QString("/home/tech"));
    for (const QString &path : paths)
        QVERIFY2(!QFile::exists(path), qPrintable(path));
}

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
