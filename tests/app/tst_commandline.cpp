#include "ZelkorVersion.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Generous: only a program that hangs runs into it.
constexpr int ProcessWaitMs = 10000;

// A machine without a display, plus the assignments given; the program's first argument.
void prepare(QProcess &process, const QString &assignments, const QString &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    for (const QString &assignment : assignments.split(' ', Qt::SkipEmptyParts))
        environment.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    process.setProcessEnvironment(environment);
    QStringList words = arguments.split(' ', Qt::SkipEmptyParts);
    process.start(words.takeFirst() == "zelkor" ? ZELKOR : ZELKOR_DEVSIM, words);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void endsBeforeTheWindow_data();
    void endsBeforeTheWindow();
    void userConfigIsTheWorkingDirectory_data();
    void userConfigIsTheWorkingDirectory();
    void endsInOrder_data();
    void endsInOrder();
};

void TestCommandLine::endsBeforeTheWindow_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("environment"); // assignments
    QTest::addColumn<int>("exitCode");
    // A pattern in the first line; on stderr unless the exit code is 0.
    QTest::addColumn<QString>("output");

    const QString version = QLatin1String(ZelkorVersion);
    const QString none;
    QTest::newRow("help") << "zelkor --help" << none << 0 << version;
    QTest::newRow("version") << "zelkor -v" << none << 0 << "zelkor " + version;
    QTest::newRow("Qt's") << "zelkor -platform xcb -style=fusion -v" << none << 0 << version;
    QTest::newRow("verbose") << "zelkor --verbose -v" << none << 0 << version;
    QTest::newRow("devsim") << "devsim --version" << none << 0 << "zelkor-devsim " + version;
    QTest::newRow("unknown option") << "zelkor --bogus" << none << 2 << "zelkor: ";
    QTest::newRow("unknown language")
        << "zelkor --language de" << none << 2 << "unknown language 'de'; Zelkor speaks en, ru";
    // Read in octal, the index would pass its check as 23 and be stored as 27.
    QTest::newRow("devsim measurement index")
        << "devsim --device ready:COM5,m027=1" << none << 2 << "unknown key 'm027'";
    QTest::newRow("devsim measurement without index")
        << "devsim --device ready:COM5,m=1" << none << 2 << "'m' needs an index";
    QTest::newRow("no display") << "zelkor" << none << 1 << "DISPLAY";
    QTest::newRow("X without DISPLAY")
        << "zelkor" << QString("QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY=wayland-0") << 1 << "xvfb-run";
    // Qt would abort on a display that no server answers.
    QTest::newRow("X display unreachable")
        << "zelkor" << QString("DISPLAY=:7413") << 1 << "DISPLAY=:7413 .*xvfb-run";
}

void TestCommandLine::endsBeforeTheWindow()
{
    QFETCH(QString, command);
    QFETCH(QString, environment);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcess process;
    prepare(process, environment, command);
    QVERIFY(process.waitForFinished(ProcessWaitMs));

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray printed =
        exitCode == 0 ? process.readAllStandardOutput() : process.readAllStandardError();
    QVERIFY2(QString::fromUtf8(printed.split('\n').first()).contains(QRegularExpression(output)),
             printed.constData());
    QVERIFY2(exitCode == 0 || printed.count('\n') == 1, printed.constData());
}

void TestCommandLine::userConfigIsTheWorkingDirectory_data()
{
    QTest::addColumn<QString>("configHome"); // {home}: the user's home folder
    QTest::addColumn<QString>("folder"); // below the home folder
    QTest::newRow("XDG_CONFIG_HOME") << "{home}/conf"
                                     << "conf/zelkor";
    // Ignored, as the XDG rules say: it would depend on where the program starts.
    QTest::newRow("relative XDG_CONFIG_HOME") << "conf"
                                              << ".config/zelkor";
}

// The menu's way to start it: its files go to the configuration folder, wherever it starts.
// Qt takes the first platform of the list that loads.
void TestCommandLine::userConfigIsTheWorkingDirectory()
{
    QFETCH(QString, configHome);
    QFETCH(QString, folder);
    QTemporaryDir home;
    QProcess process;
    process.setWorkingDirectory(home.path());
    prepare(process,
            "QT_QPA_PLATFORM=wayland;offscreen HOME=" + home.path()
                + " XDG_CONFIG_HOME=" + configHome.replace("{home}", home.path()),
            "zelkor --user-config");
    QVERIFY(process.waitForStarted(ProcessWaitMs));
    folder.prepend(QDir(home.path()).canonicalPath() + '/');
    const QString workingDirectory = QStringLiteral("/proc/%1/cwd").arg(process.processId());
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(workingDirectory).canonicalFilePath(), folder,
                              ProcessWaitMs);
    QCOMPARE(process.state(), QProcess::Running);
    process.kill();
    process.waitForFinished(ProcessWaitMs);
}

void TestCommandLine::endsInOrder_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("stderrClosed"); // before the signal: its reader went away
    QTest::newRow("Ctrl-C") << int(SIGINT) << false;
    QTest::newRow("terminal closed") << int(SIGHUP) << false;
    QTest::newRow("quit key") << int(SIGQUIT) << false;
    QTest::newRow("log reader gone, then SIGTERM") << int(SIGTERM) << true;
}

// The window goes as when it is closed: it saves its settings and exits with 0. A standard
// error that no one reads any more does not end it.
void TestCommandLine::endsInOrder()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, stderrClosed);
    QTemporaryDir folder;
    {
        // The machine's own serial ports hidden: nothing is sent to them.
        QSettings settings(folder.filePath("settings.ini"), QSettings::IniFormat);
        for (int port = 1; port <= 255; ++port)
            settings.setValue(QStringLiteral("Ports/COM%1").arg(port), QString());
    }
    int pipe[2];
    QVERIFY(::pipe2(pipe, O_CLOEXEC) == 0);
    QProcess process;
    process.setWorkingDirectory(folder.path());
    if (stderrClosed)
        process.setChildProcessModifier([pipe] { ::dup2(pipe[1], STDERR_FILENO); });
    prepare(process, "QT_QPA_PLATFORM=offscreen", "zelkor --verbose");
    ::close(pipe[1]);
    ::close(pipe[0]);
    // Every scan pass writes a line, with --verbose also into the log.
    const auto passes = [&folder] {
        QFile log(folder.filePath("zelkor.log"));
        return log.open(QIODevice::ReadOnly) ? log.readAll().count("Add items started") : 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(passes() >= 2, ProcessWaitMs);
    QCOMPARE(process.state(), QProcess::Running);
    ::kill(pid_t(process.processId()), signalNumber);
    QVERIFY(process.waitForFinished(ProcessWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QFile settings(folder.filePath("settings.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly)
            && settings.readAll().contains("[Program_settings]"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
