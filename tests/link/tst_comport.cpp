#include "ComPort.h"
#include "FarEnd.h"
#include "MappedLine.h"
#include "PortNameMap.h"
#include "SecondOpener.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QTest>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// 115200 baud, 8 data bits, no parity, no flow control, raw bytes both ways.
void verifyLineSettings(const PseudoTerminal &line, bool oneStopBit)
{
    termios settings {};
    QVERIFY(line.lineSettings(&settings));
    QCOMPARE(cfgetispeed(&settings), speed_t(B115200));
    QCOMPARE(cfgetospeed(&settings), speed_t(B115200));
    QCOMPARE(settings.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS | CREAD | CLOCAL),
             tcflag_t(CS8 | CREAD | CLOCAL | (oneStopBit ? 0 : CSTOPB)));
    QCOMPARE(settings.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), tcflag_t(0));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
}

// Each refusal as "<port name> <error kind> <holder pid>".
QString describe(const QList<PortRefusal> &refused)
{
    QString lines;
    for (const PortRefusal &refusal : refused)
        lines += QStringLiteral("%1 %2 %3;")
                     .arg(refusal.portName)
                     .arg(int(refusal.error.kind))
                     .arg(refusal.holderPid);
    return lines;
}

// The refusals a walk over the ports meets as the user nobody, in a child process: root opens
// any device, whatever its mode, and may look into every process.
QString refusalsSeenByNobody()
{
    int report[2];
    if (pipe(report) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        const passwd *nobody = getpwnam("nobody");
        QByteArray lines = "still root";
        if (nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0
            && setuid(nobody->pw_uid) == 0) {
            QList<PortRefusal> refused;
            ComPort().availablePorts(&refused);
            lines = describe(refused).toLatin1();
        }
        _exit(write(report[1], lines.constData(), size_t(lines.size())) == lines.size() ? 0 : 1);
    }
    close(report[1]);
    QByteArray lines(256, '\0');
    const ssize_t n = read(report[0], lines.data(), size_t(lines.size()));
    close(report[0]);
    waitpid(child, nullptr, 0);
    return QString::fromLatin1(lines.left(qMax<ssize_t>(n, 0)));
}

} // namespace

class TestComPort : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void openAndClose();
    void exclusiveOpen_data();
    void exclusiveOpen();
    void availablePorts();
    void refusals_data();
    void refusals();
    void holderOfAnInheritedLock();
    void uucpLockFile_data();
    void uucpLockFile();
    void openWhenFree();
    void exclusionWinsAgainstABusyLink();

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

// An open link stays on its port: a further open answers true and touches nothing.
void TestComPort::openAndClose()
{
    MappedLine first(3);
    MappedLine second(4);
    ComPort link;
    QVERIFY(link.close());
    QVERIFY(link.open(first.latin1Name(), StopBits::Two));
    verifyLineSettings(first, false);
    QVERIFY(link.open(second.latin1Name(), StopBits::One));
    QVERIFY(link.usesPort(first.portName()));
    QVERIFY(!link.usesPort(second.portName()));

    ComPort other;
    QVERIFY2(other.open(second.latin1Name(), StopBits::One),
             "the second open must not touch its port");
    verifyLineSettings(second, true);
    QVERIFY(other.close());

    QVERIFY(link.close());
    QVERIFY(!link.usesPort(first.portName()));
    QVERIFY(link.close());
}

void TestComPort::exclusiveOpen_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<bool>("taken");
    QTest::newRow("another link of this process") << "link" << true;
    QTest::newRow("another program's lock") << "flock" << true;
    // The flag outlives a holder that was killed; only a live holder's lock counts.
    QTest::newRow("an exclusive flag without a lock") << "exclusive" << false;
}

void TestComPort::exclusiveOpen()
{
    QFETCH(QString, holder);
    QFETCH(bool, taken);
    MappedLine line(5);
    SecondOpener watcher(line.portPath());
    {
        // Left open: its destructor must give the port back.
        ComPort first;
        SecondOpener other(line.portPath());
        if (holder == "link")
            QVERIFY(first.open(line.latin1Name(), StopBits::Two));
        else if (holder == "flock")
            QVERIFY(other.lock());
        else
            QVERIFY(other.makeExclusive());

        ComPort link;
        QCOMPARE(link.open(line.latin1Name(), StopBits::Two), !taken);
        QCOMPARE(link.usesPort(line.portName()), !taken);
        QCOMPARE(link.lastError().kind, taken ? PortError::Busy : PortError::None);
    }
    // The terminal outlived the first link (the far end keeps it open): no stale exclusive flag.
    ComPort link;
    QVERIFY(link.open(line.latin1Name(), StopBits::Two));
    QVERIFY(watcher.isExclusive());
}

// Lines among names that map to nothing openable: a missing node, a file, a non-terminal. The
// walk lists neither those nor a port held elsewhere nor the link's own nor an excluded one, and
// keeps the link's name. Exclusions match names exactly; a release removes every one of a name.
void TestComPort::availablePorts()
{
    ComPort link;
    MappedLine lines[] = {MappedLine(2), MappedLine(6), MappedLine(7), MappedLine(200)};
    QTemporaryFile file;
    QVERIFY(file.open());
    const QStringList refusedPaths {"/dev/zelkor-no-such-tty", file.fileName() + "/tty",
                                    file.fileName(), "/dev/null"};
    const int reasons[] = {ENOENT, ENOTDIR, ENOTTY, ENOTTY};
    const PortError::Kind kinds[] = {PortError::NotFound, PortError::NotFound,
                                     PortError::NotATerminal, PortError::NotATerminal};
    for (int i = 0; i < refusedPaths.size(); ++i)
        map.setPath(PortNameMap::portName(9 + i), refusedPaths.at(i));
    for (const QString &name :
         {lines[1].portName(), lines[1].portName(), lines[0].portName().toLower()})
        link.addExcludedPort(name);
    QVERIFY(!link.open(lines[1].latin1Name(), StopBits::Two));
    QVERIFY(!link.usesPort(lines[1].portName()));
    QCOMPARE(link.lastError().kind, PortError::Busy);

    ComPort other;
    QVERIFY(other.open(lines[3].latin1Name(), StopBits::Two));
    QVERIFY(link.open(lines[2].latin1Name(), StopBits::Two));
    QVERIFY(!link.lastError().isError());
    QList<PortRefusal> refused;
    QCOMPARE(link.availablePorts(&refused), QStringList {lines[0].portName()});
    // The missing nodes stay out of sight; every other port says why, a held one by whom.
    const qint64 self = QCoreApplication::applicationPid();
    QCOMPARE(describe(refused),
             QStringLiteral("%1 %6 %2;%3 %7 0;%4 %7 0;%5 %6 %2;")
                 .arg(lines[2].portName())
                 .arg(self)
                 .arg(PortNameMap::portName(11), PortNameMap::portName(12), lines[3].portName())
                 .arg(PortError::Busy)
                 .arg(PortError::NotATerminal));
    QVERIFY(link.usesPort(lines[2].portName()));
    QVERIFY(!link.usesPort(lines[0].portName()));

    for (int i = 0; i < refusedPaths.size(); ++i) {
        const QByteArray name = PortNameMap::portName(9 + i).toLatin1();
        ComPort refused;
        QVERIFY2(!refused.open(name.constData(), StopBits::Two), name.constData());
        QVERIFY(!refused.usesPort(QString::fromLatin1(name)));
        QCOMPARE(refused.lastError().kind, kinds[i]);
        QCOMPARE(refused.lastError().text, qt_error_string(reasons[i]));
    }
    QCOMPARE(file.size(), 0);

    // The walk left every port it tried free again.
    link.removeExcludedPort(lines[1].portName());
    QCOMPARE(link.excludedPorts(), QStringList {lines[0].portName().toLower()});
    QVERIFY(other.close());
    QVERIFY(link.close());
    QStringList all;
    for (const MappedLine &each : lines)
        all.append(each.portName());
    QCOMPARE(link.availablePorts(), all);
}

void TestComPort::refusals_data()
{
    QTest::addColumn<int>("mode"); // of the port's device
    QTest::addColumn<int>("kind");

    // Its process's descriptors are closed to nobody; its lock is not.
    QTest::newRow("locked by another user's program") << 0666 << int(PortError::Busy);
    QTest::newRow("for its owner alone") << 0600 << int(PortError::Permission);
}

// Ports that exist and refuse a user for real, seen as the user nobody.
void TestComPort::refusals()
{
    QFETCH(int, mode);
    QFETCH(int, kind);
    if (geteuid() != 0)
        QSKIP("seeing ports as another user takes root, to become that user");
    MappedLine line(8);
    QVERIFY(chmod(QFile::encodeName(line.portPath()).constData(), mode_t(mode)) == 0);
    SecondOpener holder(line.portPath());
    const bool held = kind == PortError::Busy;
    QVERIFY(!held || holder.lock());
    QCOMPARE(refusalsSeenByNobody(),
             QStringLiteral("%1 %2 %3;")
                 .arg(line.portName())
                 .arg(kind)
                 .arg(held ? QCoreApplication::applicationPid() : 0));
}

// flock(1) running a command: the lock's taker ends at once, the command keeps the lock.
void TestComPort::holderOfAnInheritedLock()
{
    MappedLine line(8);
    QProcess keeper;
    keeper.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"), QStringLiteral("exec 9<>\"$0\"; flock 9; exec sleep 60"),
                  line.portPath()});
    QVERIFY(keeper.waitForStarted());
    const auto stopKeeper = qScopeGuard([&] {
        keeper.kill();
        keeper.waitForFinished();
    });
    const auto holder = [] {
        QList<PortRefusal> refused;
        ComPort().availablePorts(&refused);
        return refused.isEmpty() ? PortRefusal() : refused.first();
    };
    QTRY_COMPARE(holder().holderName, QStringLiteral("sleep"));
    QCOMPARE(holder().holderPid, keeper.processId());
}

void TestComPort::uucpLockFile_data()
{
    QTest::addColumn<bool>("runs"); // the process the lock file names
    QTest::newRow("its program runs") << true;
    // Left behind by a program that was killed: no one holds the port.
    QTest::newRow("its program has ended") << false;
}

// ser2net, minicom and others take no flock: their lock file is what says the port is theirs.
void TestComPort::uucpLockFile()
{
    QFETCH(bool, runs);
    MappedLine line(8);
    QProcess keeper;
    keeper.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    QVERIFY(keeper.waitForStarted());
    const qint64 pid = keeper.processId();
    if (!runs) {
        keeper.kill();
        QVERIFY(keeper.waitForFinished());
    }
    const auto stopKeeper = qScopeGuard([&] {
        keeper.kill();
        keeper.waitForFinished();
    });
    QVERIFY(QDir().mkpath(QStringLiteral("/run/lock")));
    QFile lock(QStringLiteral("/run/lock/LCK..") + QFileInfo(line.portPath()).fileName());
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::NewOnly));
    const auto removeLock = qScopeGuard([&] { lock.remove(); });
    lock.write(QByteArray::number(pid).rightJustified(10) + '\n');
    lock.close();

    ComPort link;
    QCOMPARE(link.open(line.latin1Name(), StopBits::Two), !runs);
    QCOMPARE(link.lastError().kind, runs ? PortError::Busy : PortError::None);
    link.close();
    QList<PortRefusal> refused;
    link.availablePorts(&refused);
    QCOMPARE(describe(refused),
             runs ? QStringLiteral("%1 %2 %3;").arg(line.portName()).arg(PortError::Busy).arg(pid)
                  : QString());
    QVERIFY(!runs || refused.first().holderName == QStringLiteral("sleep"));
}

// A held port is asked again until it comes free; stop ends the wait.
void TestComPort::openWhenFree()
{
    MappedLine line(5);
    ComPort holder;
    QVERIFY(holder.open(line.latin1Name(), StopBits::Two));
    ComPort link;
    int asked = 0;
    QVERIFY(!link.openWhenFree(line.latin1Name(), StopBits::Two, [&] { return ++asked == 2; }));
    QCOMPARE(asked, 2);
    QCOMPARE(link.lastError().kind, PortError::Busy);
    QVERIFY(link.openWhenFree(line.latin1Name(), StopBits::Two, [&] { return !holder.close(); }));
    QVERIFY(link.usesPort(line.portName()));
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
            if (link.open(line.latin1Name(), StopBits::Two)) {
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
        QVERIFY(job.open(line.latin1Name(), StopBits::Two));
    }
}

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_comport.moc"
