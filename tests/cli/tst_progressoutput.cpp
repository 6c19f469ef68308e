#include "ProgressOutput.h"

#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
constexpr int SettleMs = 100;
} // namespace

// The progress on a terminal of a given size: the far end of a pseudo-terminal reads what the
// user would see.
class tst_ProgressOutput : public QObject
{
    Q_OBJECT

private slots:
    void fitsTheTerminal_data();
    void fitsTheTerminal();
};

void tst_ProgressOutput::fitsTheTerminal_data()
{
    QTest::addColumn<int>("ports");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("inPlace");

    QTest::newRow("room enough") << 3 << 24 << 80 << true;
    // Three lines and the cursor's below them.
    QTest::newRow("as many rows as ports") << 3 << 3 << 80 << false;
    QTest::newRow("narrower than a line") << 1 << 24 << 20 << false;
}

// Lines drawn in place only where all of them fit; else a plain line per tenth, as in a pipe.
// A terminal made smaller on the way gets plain lines from then on.
void tst_ProgressOutput::fitsTheTerminal()
{
    QFETCH(int, ports);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(bool, inPlace);

    int master = -1, slave = -1;
    winsize size = {ushort(rows), ushort(columns), 0, 0};
    QVERIFY(::openpty(&master, &slave, nullptr, nullptr, &size) == 0);
    std::FILE *stream = ::fdopen(slave, "w");
    QStringList names;
    for (int i = 1; i <= ports; ++i)
        names << QStringLiteral("\\\\.\\COM%1").arg(i);
    ProgressOutput progress(stream, names);
    // The terminal passes the bytes on a moment after they were written.
    const auto read = [master] {
        QByteArray seen;
        char chunk[4096];
        pollfd ready {master, POLLIN, 0};
        while (::poll(&ready, 1, SettleMs) == 1) {
            const ssize_t got = ::read(master, chunk, sizeof chunk);
            if (got <= 0)
                break;
            seen.append(chunk, got);
        }
        return seen;
    };
    for (int percent = 0; percent <= 20; percent += 5)
        progress.show(names.first(), {JobProgress::Phase::Update, percent});
    const QByteArray drawn = read();
    QCOMPARE(drawn.contains("\033["), inPlace);
    QCOMPARE(drawn.count("COM1 update"), inPlace ? 5 : 3);

    size.ws_row = 2;
    QVERIFY(::ioctl(slave, TIOCSWINSZ, &size) == 0);
    progress.show(names.first(), {JobProgress::Phase::Update, 30});
    QCOMPARE(read(), QByteArray("\\\\.\\COM1 update 30%\r\n"));
    std::fclose(stream);
    ::close(master);
}

QTEST_GUILESS_MAIN(tst_ProgressOutput)
#include "tst_progressoutput.moc"
