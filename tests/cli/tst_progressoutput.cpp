#include "ProgressOutput.h"

#include <QtTest>

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

// The progress on a terminal of a given size, as the far end of a pseudo-terminal sees it.
class tst_ProgressOutput : public QObject
{
    Q_OBJECT

private slots:
    void fitsTheTerminal_data();
    void fitsTheTerminal();
};

void tst_ProgressOutput::fitsTheTerminal_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("inPlace");

    QTest::newRow("room enough") << 24 << 80 << true;
    // Three lines and the cursor's below them.
    QTest::newRow("as many rows as ports") << 3 << 80 << false;
    QTest::newRow("narrower than a line") << 24 << 20 << false;
}

// Lines drawn in place only where all of them fit; else a plain line per tenth, as in a pipe.
// A terminal made smaller on the way gets plain lines from then on.
void tst_ProgressOutput::fitsTheTerminal()
{
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(bool, inPlace);
    int master = -1, slave = -1;
    winsize size = {ushort(rows), ushort(columns), 0, 0};
    QVERIFY(::openpty(&master, &slave, nullptr, nullptr, &size) == 0);
    std::FILE *stream = ::fdopen(slave, "w");
    ProgressOutput progress(stream, {"\\\\.\\COM1", "\\\\.\\COM2", "\\\\.\\COM3"});
    // The terminal passes the bytes on a moment after they were written.
    const auto read = [master] {
        QByteArray seen(65536, 0);
        qsizetype got = 0;
        for (pollfd ready {master, POLLIN, 0}; ::poll(&ready, 1, 100) == 1;)
            got += qMax<ssize_t>(0, ::read(master, seen.data() + got, size_t(seen.size() - got)));
        return seen.left(got);
    };
    for (int percent = 0; percent <= 20; percent += 5)
        progress.show("\\\\.\\COM1", {JobProgress::Phase::Update, percent});
    const QByteArray drawn = read();
    QCOMPARE(drawn.contains("\033["), inPlace);
    QCOMPARE(drawn.count("COM1 update"), inPlace ? 5 : 3);

    size.ws_row = 2;
    QVERIFY(::ioctl(slave, TIOCSWINSZ, &size) == 0);
    progress.show("\\\\.\\COM1", {JobProgress::Phase::Update, 30});
    QCOMPARE(read(), QByteArray("\\\\.\\COM1 update 30%\r\n"));
    std::fclose(stream);
    ::close(master);
}

QTEST_GUILESS_MAIN(tst_ProgressOutput)
#include "tst_progressoutput.moc"
