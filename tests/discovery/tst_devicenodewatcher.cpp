#include "DeviceNodeWatcher.h"
#include "PortNameMap.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Long enough for any change notice; only a missing one runs into it.
constexpr int NoticeLimitMs = 5000;

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class TestDeviceNodeWatcher : public QObject
{
    Q_OBJECT

private slots:
    void newNodes_data();
    void newNodes();

private:
    const QString watched = PortNameMap::portName(200);
    const QString sentinel = PortNameMap::portName(201);
};

void TestDeviceNodeWatcher::newNodes_data()
{
    // Entries in a watched scratch folder, or in its subfolder "by-id/", which is watched too
    // but made only after the start. The port maps to the entry "node".
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("before"); // made before the watcher starts
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("appeared");

    QTest::newRow("a node a port maps to")
        << QString() << QStringList {} << QStringList {"node"} << QStringList {watched};
    QTest::newRow("an entry no port maps to")
        << QString() << QStringList {} << QStringList {"other"} << QStringList {};
    QTest::newRow("a node that was there before")
        << QString() << QStringList {"node"} << QStringList {"other"} << QStringList {};
    QTest::newRow("in a folder made after the start")
        << QStringLiteral("by-id/") << QStringList {} << QStringList {"node"}
        << QStringList {watched};
}

// The change ends with a second mapped node beside the others, whose notice shows that every
// earlier one has been handled.
void TestDeviceNodeWatcher::newNodes()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QStringList, appeared);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    PortNameMap &map = PortNameMap::instance();
    map.setDefaultTableEnabled(false);
    map.setPath(watched, dir.filePath(folder + "node"));
    map.setPath(sentinel, dir.filePath(folder + "sentinel"));
    for (const QString &entry : before)
        QVERIFY(touch(dir.filePath(folder + entry)));

    DeviceNodeWatcher watcher({dir.path(), dir.filePath("by-id")});
    QSignalSpy spy(&watcher, &DeviceNodeWatcher::portAppeared);
    if (!folder.isEmpty()) {
        QVERIFY(QDir(dir.path()).mkdir(folder));
        // The watcher takes up the new folder before anything is made in it.
        QCoreApplication::processEvents();
    }
    for (const QString &entry : after + QStringList {"sentinel"})
        QVERIFY(touch(dir.filePath(folder + entry)));
    // Nodes that appear together come in no particular order.
    QStringList names;
    const auto seen = [&spy, &names] {
        names.clear();
        for (const QList<QVariant> &signal : std::as_const(spy))
            names.append(signal.value(0).toString());
        names.sort();
        return names;
    };
    QTRY_VERIFY_WITH_TIMEOUT(seen().contains(sentinel), NoticeLimitMs);
    QCOMPARE(names, appeared + QStringList {sentinel});
}

QTEST_GUILESS_MAIN(TestDeviceNodeWatcher)
#include "tst_devicenodewatcher.moc"
