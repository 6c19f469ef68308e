#include "ComPort.h"
#include "FarEnd.h"
#include "MappedLine.h"
#include "PortNameMap.h"
#include "SecondOpener.h"

#include <QAtomicInt>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QTest>

#include <termios.h>

class TestComPort : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void openKeepsTheFirstPort();
    void storedName_data();
    void storedName();
    void refusedOpen_data();
    void refusedOpen();
    void excludedNames_data();
    void excludedNames();
    void lineSettings_data();
    void lineSettings();
    void exclusiveOpen_data();
    void exclusiveOpen();
    void availablePorts_data();
    void availablePorts();
    void exclusionWinsAgainstABusyLink();
    void destructorReleasesThePort();

private:
    PortNameMap &map = PortNameMap::instance();
};

void TestComPort::initTestCase()
{
    // The machine's own serial ports must not take part.
    map.setDefaultTableEnabled(false);
}

void TestComPort::cleanup()
{
    map.clear();
}

void TestComPort::openKeepsTheFirstPort()
{
    MappedLine first(3);
    MappedLine second(4);
    ComPort link;
    QVERIFY(link.close());
    QVERIFY(link.open(first.latin1Name(), false));
    QVERIFY(link.open(second.latin1Name(), true));
    QVERIFY(link.usesPort(first.portName()));
    QVERIFY(!link.usesPort(second.portName()));

    ComPort other;
    QVERIFY2(other.open(second.latin1Name(), false), "the second open must not touch its port");
    QVERIFY(other.close());

    QVERIFY(link.close());
    QVERIFY(!link.usesPort(first.portName()));
    QVERIFY(link.close());
    QVERIFY(link.open(second.latin1Name(), false));
    QVERIFY(link.usesPort(second.portName()));
}

void TestComPort::storedName_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("63 characters") << 63;
    QTest::newRow("64 characters") << 64;
    QTest::newRow("100 characters") << 100;
}

// Only 63 characters are kept for usesPort, but the port is opened by the whole name.
void TestComPort::storedName()
{
    QFETCH(int, length);
    PseudoTerminal line;
    const QString name = QStringLiteral("\\\\.\\") + QString(length - 4, u'L');
    map.setPath(name, line.portPath());

    ComPort link;
    QVERIFY(link.open(name.toLatin1().constData(), false));
    QCOMPARE(link.usesPort(name), length <= 63);
    QVERIFY(link.usesPort(name.left(63)));
}

void TestComPort::refusedOpen_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("not mapped") << "";
    QTest::newRow("missing device node") << "/dev/zelkor-no-such-tty";
    QTest::newRow("regular file") << "file";
    QTest::newRow("device that is no terminal") << "/dev/null";
    QTest::newRow("directory") << "/dev";
}

void TestComPort::refusedOpen()
{
    QFETCH(QString, path);
    QTemporaryFile file;
    QVERIFY(file.open());
    const QString name = PortNameMap::portName(9);
    if (!path.isEmpty())
        map.setPath(name, path == "file" ? file.fileName() : path);

    ComPort link;
    QVERIFY(!link.open(name.toLatin1().constData(), false));
    QVERIFY(!link.usesPort(name));
    QVERIFY(!link.transactRaw("?", 1, nullptr, 0));
    QCOMPARE(file.size(), 0);
}

void TestComPort::excludedNames_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QStringList>("remaining");

    const QString com6 = PortNameMap::portName(6);
    const QString com7 = PortNameMap::portName(7);
    QTest::newRow("excluded") << QStringList {com6} << QStringList() << QStringList {com6};
    QTest::newRow("excluded twice, released once")
        << QStringList {com6, com7, com6} << QStringList {com6} << QStringList {com7};
    QTest::newRow("released without being excluded")
        << QStringList {com7} << QStringList {com6} << QStringList {com7};
    QTest::newRow("other case") << QStringList {com6.toLower()} << QStringList()
                                << QStringList {com6.toLower()};
}

void TestComPort::excludedNames()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, removed);
    QFETCH(QStringList, remaining);
    MappedLine line(6);
    ComPort link;
    for (const QString &name : added)
        link.addExcludedPort(name);
    for (const QString &name : removed)
        link.removeExcludedPort(name);

    QCOMPARE(link.excludedPorts(), remaining);
    const bool excluded = remaining.contains(line.portName());
    QCOMPARE(link.availablePorts().contains(line.portName()), !excluded);
    QCOMPARE(link.open(line.latin1Name(), false), !excluded);
}

void TestComPort::lineSettings_data()
{
    QTest::addColumn<bool>("oneStopBit");
    QTest::newRow("two stop bits") << false;
    QTest::newRow("one stop bit") << true;
}

void TestComPort::lineSettings()
{
    QFETCH(bool, oneStopBit);
    MappedLine line(2);
    ComPort link;
    QVERIFY(link.open(line.latin1Name(), oneStopBit));

    termios settings {};
    QVERIFY(line.lineSettings(&settings));
    QCOMPARE(cfgetispeed(&settings), speed_t(B115200));
    QCOMPARE(cfgetospeed(&settings), speed_t(B115200));
    QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(bool(settings.c_cflag & CSTOPB), !oneStopBit);
    QCOMPARE(settings.c_cflag & (PARENB | CRTSCTS), tcflag_t(0));
    QCOMPARE(settings.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
    QCOMPARE(settings.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), tcflag_t(0));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(int(settings.c_cc[VMIN]), 0);
    QCOMPARE(int(settings.c_cc[VTIME]), 0);
}

void TestComPort::exclusiveOpen_data()
{
    QTest::addColumn<QString>("holder");
    QTest::newRow("another link of this process") << "link";
    QTest::newRow("another program's lock") << "flock";
    QTest::newRow("another program's exclusive terminal") << "exclusive";
}

void TestComPort::exclusiveOpen()
{
    QFETCH(QString, holder);
    MappedLine line(5);
    SecondOpener watcher(line.portPath());
    QVERIFY(watcher.isOpen());
    {
        ComPort first;
        SecondOpener other(line.portPath());
        if (holder == "link")
            QVERIFY(first.open(line.latin1Name(), false));
        else if (holder == "flock")
            QVERIFY(other.lock());
        else
            QVERIFY(other.makeExclusive());

        ComPort link;
        QVERIFY(!link.open(line.latin1Name(), false));
        QVERIFY(!link.usesPort(line.portName()));
        QVERIFY(!link.availablePorts().contains(line.portName()));
    }
    ComPort link;
    QVERIFY(link.open(line.latin1Name(), false));
    QVERIFY(watcher.isExclusive());
    QVERIFY(link.close());
    // The terminal outlives the link (the far end keeps it open): no stale exclusive flag.
    QVERIFY(!watcher.isExclusive());
}

void TestComPort::availablePorts_data()
{
    QTest::addColumn<int>("excluded");
    QTest::addColumn<int>("heldElsewhere");
    QTest::addColumn<int>("ownPort");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("free lines") << 0 << 0 << 0 << QList<int> {2, 7, 200};
    QTest::newRow("excluded line") << 7 << 0 << 0 << QList<int> {2, 200};
    QTest::newRow("line held by another link") << 0 << 200 << 0 << QList<int> {2, 7};
    QTest::newRow("listed by an open link") << 0 << 0 << 7 << QList<int> {2, 200};
}

// Lines among names that map to nothing openable: a missing node, a file, a non-terminal.
void TestComPort::availablePorts()
{
    QFETCH(int, excluded);
    QFETCH(int, heldElsewhere);
    QFETCH(int, ownPort);
    QFETCH(QList<int>, expected);
    ComPort link;
    QVERIFY(link.availablePorts().isEmpty());

    MappedLine lines[] = {MappedLine(2), MappedLine(7), MappedLine(200)};
    QTemporaryFile file;
    QVERIFY(file.open());
    map.setPath(PortNameMap::portName(9), "/dev/zelkor-no-such-tty");
    map.setPath(PortNameMap::portName(10), file.fileName());
    map.setPath(PortNameMap::portName(11), "/dev/null");

    if (excluded)
        link.addExcludedPort(PortNameMap::portName(excluded));
    ComPort other;
    if (heldElsewhere)
        QVERIFY(other.open(PortNameMap::portName(heldElsewhere).toLatin1().constData(), false));
    if (ownPort)
        QVERIFY(link.open(PortNameMap::portName(ownPort).toLatin1().constData(), false));

    QStringList names;
    for (int number : expected)
        names.append(PortNameMap::portName(number));
    QCOMPARE(link.availablePorts(), names);
    QCOMPARE(file.size(), 0);

    for (const MappedLine &line : lines)
        QCOMPARE(link.usesPort(line.portName()),
                 PortNameMap::portNumber(line.portName()) == ownPort);
    // The walk leaves every port it tried free again.
    link.close();
    for (const QString &name : names) {
        ComPort check;
        QVERIFY2(check.open(name.toLatin1().constData(), false), qPrintable(name));
    }
}

// What the scan worker's port reservation relies on: after the name is excluded and the link
// closed if it used the port, the link can never hold that port again, however busy it is.
void TestComPort::exclusionWinsAgainstABusyLink()
{
    MappedLine line(4);
    ComPort link;
    QAtomicInt opened;
    QAtomicInt stop;
    FarEnd worker([&] {
        while (!stop.loadAcquire()) {
            if (link.open(line.latin1Name(), false)) {
                opened.fetchAndAddRelease(1);
                link.transactRaw(nullptr, 0, nullptr, 0);
                link.close();
            }
        }
    });
    const auto stopWorker = qScopeGuard([&] { stop.storeRelease(1); });

    for (int round = 0; round < 50; ++round) {
        const int openedBefore = opened.loadAcquire();
        link.removeExcludedPort(line.portName());
        QTRY_VERIFY_WITH_TIMEOUT(opened.loadAcquire() > openedBefore, 5000);

        link.addExcludedPort(line.portName());
        if (link.usesPort(line.portName()))
            link.close();
        QVERIFY(!link.usesPort(line.portName()));
        ComPort job;
        QVERIFY(job.open(line.latin1Name(), false));
    }
}

void TestComPort::destructorReleasesThePort()
{
    MappedLine line(8);
    {
        ComPort forgotten;
        QVERIFY(forgotten.open(line.latin1Name(), false));
    }
    ComPort link;
    QVERIFY(link.open(line.latin1Name(), false));
}

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_comport.moc"
