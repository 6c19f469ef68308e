#include "ComPort.h"
#include "DeviceFault.h"
#include "PortNameMap.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// Generous: only a tool that hangs runs into them.
constexpr int ProcessWaitMs = 10000;

QByteArray ask(int port, const QByteArray &request, int replyLength)
{
    ComPort com;
    com.setTimeouts(LinkTimeouts::reads(300, 2).writes(0, 1000));
    QByteArray reply(replyLength, '\0');
    const bool ok = com.open(PortNameMap::portName(port).toLatin1().constData(), false)
        && com.transactRaw(request.constData(), unsigned(request.size()), reply.data(),
                           unsigned(replyLength));
    com.close();
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
    QTest::addColumn<QString>("arguments");

    QTest::newRow("no device") << "";
    QTest::newRow("unknown option") << "--device ready:COM5 --bogus";
    QTest::newRow("unknown profile") << "--device fancy:COM5";
    QTest::newRow("leading zero") << "--device ready:COM05";
    QTest::newRow("port twice") << "--device ready:COM5 --device isp:COM5";
    QTest::newRow("serial too big") << "--device ready:COM5,serial=4294967296";
    QTest::newRow("fault on a port without device")
        << "--device ready:COM5 --fault COM6:gser:no-reply";
    QTest::newRow("fault kind") << "--device ready:COM5 --fault COM5:gser:explode";
    QTest::newRow("fault data") << "--device ready:COM5 --fault COM5:gser:wrong-echo,data=xyz";
    QTest::newRow("latency") << "--device ready:COM5 --latency -5";
}

void TestDevsim::badArgumentsExitWithUsageError()
{
    QFETCH(QString, arguments);
    const QString settings = folder.filePath("bad.ini");
    QProcess tool;
    tool.start(ZELKOR_DEVSIM, arguments.split(' ', Qt::SkipEmptyParts) << "--settings" << settings);
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
               {"--device", "ready:COM5,serial=77", "--device", "loader:COM6", "--fault",
                "COM5:gfwv:no-reply", "--settings", settingsPath, "--log"});
    QVERIFY(tool.waitForStarted(ProcessWaitMs));
    QByteArray output;
    while (!output.contains("Ctrl-C") && tool.waitForReadyRead(ProcessWaitMs))
        output += tool.readAllStandardOutput();
    QVERIFY2(output.contains("COM5") && output.contains("COM6"), output.constData());

    QSettings settings(settingsPath, QSettings::IniFormat);
    QStringList paths;
    for (int port : {5, 6})
        paths << settings.value(QStringLiteral("Ports/COM%1").arg(port)).toString();
    for (const QString &path : paths)
        QVERIFY2(QFile::exists(path), qPrintable(path));
    PortNameMap::instance().loadSettings(settings);
    QCOMPARE(ask(5, "gser", 10).left(4), QByteArray::fromHex("4d000000")); // 77
    QCOMPARE(ask(5, "gfwv", 10), QByteArray());
    QCOMPARE(ask(6, QByteArray::fromHex("31670000"), 8).mid(4, 2), QByteArray("nn"));
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
