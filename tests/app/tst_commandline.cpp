#include "ZelkorVersion.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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
    void userConfigIsTheWorkingDirectory();
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

// The menu's way to start it: its files go to the configuration folder, wherever it starts.
// Qt takes the first platform of the list that loads.
void TestCommandLine::userConfigIsTheWorkingDirectory()
{
    QTemporaryDir home;
    QProcess process;
    process.setWorkingDirectory(QDir::tempPath());
    prepare(process, "QT_QPA_PLATFORM=wayland;offscreen XDG_CONFIG_HOME=" + home.filePath("conf"),
            "zelkor --user-config");
    QVERIFY(process.waitForStarted(ProcessWaitMs));
    const QString folder = QDir(home.path()).canonicalPath() + "/conf/zelkor";
    const QString workingDirectory = QStringLiteral("/proc/%1/cwd").arg(process.processId());
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(workingDirectory).canonicalFilePath(), folder,
                              ProcessWaitMs);
    QCOMPARE(process.state(), QProcess::Running);
    process.kill();
    process.waitForFinished(ProcessWaitMs);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
