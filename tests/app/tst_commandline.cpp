#include "ZelkorVersion.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Generous: only a program that hangs runs into it.
constexpr int ProcessWaitMs = 10000;

// The environment of a machine without a display, plus the assignments given.
QProcessEnvironment environment(const QStringList &assignments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    for (const QString &assignment : assignments)
        environment.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    return environment;
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
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // a text the first line holds; stderr unless exit 0

    const QString version = QLatin1String(ZelkorVersion);
    const QStringList none;
    QTest::newRow("help") << ZELKOR << "--help" << none << 0 << version;
    QTest::newRow("version") << ZELKOR << "-v" << none << 0 << "zelkor " + version;
    QTest::newRow("version with Qt's options")
        << ZELKOR << "-platform xcb -style fusion --version" << none << 0 << version;
    QTest::newRow("devsim version")
        << ZELKOR_DEVSIM << "--version" << none << 0 << "zelkor-devsim " + version;
    QTest::newRow("unknown option") << ZELKOR << "--bogus" << none << 2 << "zelkor: ";
    QTest::newRow("argument") << ZELKOR << "file.cod" << none << 2 << "file.cod";
    QTest::newRow("no display") << ZELKOR << "" << none << 1 << "DISPLAY";
    QTest::newRow("X without DISPLAY")
        << ZELKOR << "" << QStringList {"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0"} << 1
        << "xvfb-run";
    QTest::newRow("fallback without display")
        << ZELKOR << "--user-config" << QStringList {"QT_QPA_PLATFORM=wayland;xcb"} << 1
        << "xvfb-run";
}

void TestCommandLine::endsBeforeTheWindow()
{
    QFETCH(QString, program);
    QFETCH(QString, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcess process;
    process.setProcessEnvironment(::environment(environment));
    process.start(program, arguments.split(' ', Qt::SkipEmptyParts));
    QVERIFY(process.waitForFinished(ProcessWaitMs));

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray printed =
        exitCode == 0 ? process.readAllStandardOutput() : process.readAllStandardError();
    QVERIFY2(printed.split('\n').first().contains(output.toUtf8()), printed.constData());
    QVERIFY2(exitCode == 0 || printed.count('\n') == 1, printed.constData());
}

// The menu's way to start it: files in the configuration folder, whichever folder it starts in.
void TestCommandLine::userConfigIsTheWorkingDirectory()
{
    QTemporaryDir home;
    QProcess process;
    process.setProcessEnvironment(
        ::environment({"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + home.filePath("conf")}));
    process.setWorkingDirectory(QDir::tempPath());
    process.start(ZELKOR, {"--user-config"});
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
