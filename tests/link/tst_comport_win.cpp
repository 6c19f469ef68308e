// ComPort on the Windows serial driver, run under Wine against simulated devices on the Linux
// side: scripts/windows --test starts zelkor-devsim, links the Wine prefix's COM ports to its
// pseudo-terminals and names them in ZELKOR_SIM_PORTS ("ready:COM11 isp:COM12 loader:COM13").
#include "ComPort.h"
#include "PortNameMap.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>

#include <windows.h>

namespace {

constexpr quint32 ReadConstantMs = 300;
constexpr quint32 WriteMultiplierMs = 1000;
// Upper bounds only catch a call that hangs; they are far above any expected duration.
constexpr qint64 GenerousMs = 1500;
// Windows' timers may end a wait up to a tick early.
constexpr qint64 TimerSlackMs = 20;
// A simulated device drops a request that stopped arriving after this long, and a bit.
constexpr unsigned long DeviceDropsIncompleteMs = 400;
// A number no test links to a device.
constexpr int UnlinkedPortNumber = 200;
// The far end has often read the first half of a frame before the next transaction starts, not
// always; repeating makes a discarded half show.
constexpr int SplitFrameRounds = 100;

const QByteArray GetInfo = QByteArrayLiteral("geti");
constexpr unsigned GetInfoReplyLength = 36;
const QByteArray FirmwareProbe = QByteArray::fromHex("31670000");
const QByteArray LoaderProbeAnswerHead = FirmwareProbe + "nn";
constexpr unsigned ProbeAnswerLength = 8;
const QByteArray IspProbe = QByteArrayLiteral("?");

// The ports of the simulated devices by profile, from ZELKOR_SIM_PORTS.
QHash<QString, QByteArray> simulatedPorts()
{
    QHash<QString, QByteArray> ports;
    const QStringList devices =
        qEnvironmentVariable("ZELKOR_SIM_PORTS").split(u' ', Qt::SkipEmptyParts);
    for (const QString &device : devices) {
        const QStringList parts = device.split(u':');
        if (parts.size() == 2)
            ports.insert(parts[0], QByteArray("\\\\.\\") + parts[1].toLatin1());
    }
    return ports;
}

} // namespace

class TestComPortWin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void availablePorts();
    void refusedOpen_data();
    void refusedOpen();
    void stopBits_data();
    void stopBits();
    void transaction();
    void readTimeouts_data();
    void readTimeouts();
    void frameSentInTwoTransactionsArrivesWhole();

private:
    const char *port(const QString &profile) const { return ports.value(profile).constData(); }

    QHash<QString, QByteArray> ports;
    std::unique_ptr<ComPort> link;
};

void TestComPortWin::initTestCase()
{
    ports = simulatedPorts();
    for (const char *profile : {"ready", "isp", "loader"}) {
        if (!ports.contains(QLatin1String(profile)))
            QFAIL(qPrintable(QStringLiteral("ZELKOR_SIM_PORTS names no %1 device; run the test "
                                            "through scripts/windows --test")
                                 .arg(QLatin1String(profile))));
    }
}

void TestComPortWin::init()
{
    PortNameMap::instance().clear();
    link = std::make_unique<ComPort>();
    link->setTimeouts(LinkTimeouts::reads(ReadConstantMs, 0).writes(0, WriteMultiplierMs));
}

void TestComPortWin::cleanup()
{
    link.reset();
    PortNameMap::instance().clear();
}

// Every port is tried under its own name; a number with no device is no refusal, an excluded
// one is not even tried.
void TestComPortWin::availablePorts()
{
    const QString excluded = QString::fromLatin1(port("loader"));
    link->addExcludedPort(excluded);
    QList<PortRefusal> refused;
    const QStringList found = link->availablePorts(&refused);

    QVERIFY2(found.contains(QString::fromLatin1(port("ready"))), qPrintable(found.join(' ')));
    QVERIFY(found.contains(QString::fromLatin1(port("isp"))));
    QVERIFY(!found.contains(excluded));
    const QString unlinked = PortNameMap::portName(UnlinkedPortNumber);
    QVERIFY(!found.contains(unlinked));
    for (const PortRefusal &refusal : refused) {
        QVERIFY(refusal.portName != unlinked && refusal.portName != excluded);
        QVERIFY(refusal.error.kind != PortError::NotFound);
    }
}

void TestComPortWin::refusedOpen_data()
{
    QTest::addColumn<bool>("regularFile");
    QTest::addColumn<int>("kind");

    QTest::newRow("no device") << false << int(PortError::NotFound);
    // A [Ports] entry that names a file by mistake must not get protocol bytes written into it.
    QTest::newRow("regular file") << true << int(PortError::NotATerminal);
}

void TestComPortWin::refusedOpen()
{
    QFETCH(bool, regularFile);
    QFETCH(int, kind);

    const QString name = PortNameMap::portName(UnlinkedPortNumber);
    QTemporaryFile file;
    if (regularFile) {
        QVERIFY(file.open());
        PortNameMap::instance().setPath(name, QDir::toNativeSeparators(file.fileName()));
    }
    QVERIFY(!link->open(name.toLatin1().constData(), StopBits::Two));
    QCOMPARE(int(link->lastError().kind), kind);
    QVERIFY(!link->lastError().text.isEmpty());
    QVERIFY(!link->usesPort(name));
    if (regularFile)
        QCOMPARE(file.size(), 0);
}

void TestComPortWin::stopBits_data()
{
    QTest::addColumn<StopBits>("stopBits");
    QTest::addColumn<bool>("answered");

    QTest::newRow("one stop bit") << StopBits::One << true;
    QTest::newRow("two stop bits") << StopBits::Two << false;
}

// The chip in ISP mode echoes its probe only at one stop bit, which it reads from the line's
// settings: the answer shows that the settings reached the line.
void TestComPortWin::stopBits()
{
    QFETCH(StopBits, stopBits);
    QFETCH(bool, answered);

    QVERIFY(link->open(port("isp"), stopBits));
    char reply = 0;
    QCOMPARE(link->transactRaw(IspProbe.constData(), 1, &reply, 1), answered);
    QCOMPARE(reply, answered ? '?' : '\0');
    // Reopened with the other setting, the same port follows it.
    QVERIFY(link->close());
    QVERIFY(link->open(port("isp"), stopBits == StopBits::One ? StopBits::Two : StopBits::One));
    reply = 0;
    QCOMPARE(link->transactRaw(IspProbe.constData(), 1, &reply, 1), !answered);
}

void TestComPortWin::transaction()
{
    QVERIFY(link->open(port("ready"), StopBits::Two));
    QVERIFY(link->usesPort(QString::fromLatin1(port("ready"))));
    char reply[GetInfoReplyLength] = {};
    QVERIFY(link->transact(GetInfo.constData(), 4, reply, GetInfoReplyLength));
    QCOMPARE(QByteArray(reply + GetInfoReplyLength - 4, 4), GetInfo);
    // Running firmware answers the loader's question with "errc", shorter than asked for.
    char probe[ProbeAnswerLength] = {};
    QVERIFY(!link->transactRaw(FirmwareProbe.constData(), 4, probe, ProbeAnswerLength));
    QCOMPARE(QByteArray(probe, 4), QByteArray("errc"));
    QVERIFY(link->close());
    QVERIFY(!link->usesPort(QString::fromLatin1(port("ready"))));
}

void TestComPortWin::readTimeouts_data()
{
    QTest::addColumn<quint32>("constantMs");
    QTest::addColumn<quint32>("perByteMs");

    QTest::newRow("constant") << quint32(300) << quint32(0);
    QTest::newRow("per byte") << quint32(100) << quint32(5);
    // All zero asks the driver for no time-out at all; here it means "do not wait".
    QTest::newRow("zero") << quint32(0) << quint32(0);
}

// A request the device does not answer: the read gives up after its limit, not before and not
// never.
void TestComPortWin::readTimeouts()
{
    QFETCH(quint32, constantMs);
    QFETCH(quint32, perByteMs);

    link->setTimeouts(LinkTimeouts::reads(constantMs, perByteMs).writes(0, WriteMultiplierMs));
    QVERIFY(link->open(port("ready"), StopBits::Two));
    const QByteArray unknown("zzzz");
    char reply[GetInfoReplyLength];
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!link->transact(unknown.constData(), 4, reply, GetInfoReplyLength));
    const qint64 limit = constantMs + qint64(perByteMs) * GetInfoReplyLength;
    QVERIFY2(timer.elapsed() >= limit - TimerSlackMs, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(timer.elapsed() < limit + GenerousMs, qPrintable(QString::number(timer.elapsed())));
    // The link stays usable. The device reads a word it does not know as the head of a longer
    // request until the line has been quiet a while; the next request must not join it.
    QThread::msleep(DeviceDropsIncompleteMs);
    link->setTimeouts(LinkTimeouts::reads(ReadConstantMs, 0).writes(0, WriteMultiplierMs));
    QVERIFY(link->transact(GetInfo.constData(), 4, reply, GetInfoReplyLength));
}

// The purge before a transaction discards what came in, never what is still going out: the
// head of a frame sent by the transaction before would be lost with it.
void TestComPortWin::frameSentInTwoTransactionsArrivesWhole()
{
    QVERIFY(link->open(port("loader"), StopBits::Two));
    for (int round = 0; round < SplitFrameRounds; ++round) {
        char reply[ProbeAnswerLength] = {};
        QVERIFY(link->transactRaw(FirmwareProbe.constData(), 2, nullptr, 0));
        QVERIFY2(link->transactRaw(FirmwareProbe.constData() + 2, 2, reply, ProbeAnswerLength),
                 qPrintable(QStringLiteral("round %1").arg(round)));
        QCOMPARE(QByteArray(reply, 6), LoaderProbeAnswerHead);
    }
}

QTEST_GUILESS_MAIN(TestComPortWin)
#include "tst_comport_win.moc"
