#include "TDevices.h"

#include <QTest>
#include <QThread>

#include <memory>

class ResultSender : public QObject
{
    Q_OBJECT

public:
    void send(const QStringList &locations, const QList<TDevices> &devices)
    {
        emit result(locations, devices);
    }

signals:
    void result(QStringList all_locations, QList<TDevices> devices);
};

class ResultReceiver : public QObject
{
    Q_OBJECT

public:
    QThread *receivedIn = nullptr;
    QStringList locations;
    QList<TDevices> devices;
    int calls = 0;

public slots:
    void take(QStringList all_locations, QList<TDevices> devices)
    {
        receivedIn = QThread::currentThread();
        locations = all_locations;
        this->devices = devices;
        ++calls;
    }
};

class TestTDevices : public QObject
{
    Q_OBJECT

private slots:
    void registeredNamesCopyRecords();
    void crossesThreadsIntact();
};

static QStringList fields(const TDevices &device)
{
    return {device.location, device.serialNumber, device.description, device.firmwareVersion,
            device.status};
}

// Receivers that know the types only by name (a connection made by signature, a queued
// invocation) find them after registration. Runs first, before anything else uses the types.
void TestTDevices::registeredNamesCopyRecords()
{
    registerDeviceMetaTypes();
    const TDevices device {"\\\\.\\COM3", "42", "ABC", "1.0.7", "Готов"};
    const QList<TDevices> list {device, {}};

    const QMetaType recordType = QMetaType::fromName("TDevices");
    QVERIFY(recordType.isValid());
    auto *record = static_cast<TDevices *>(recordType.create(&device));
    QCOMPARE(fields(*record), fields(device));
    recordType.destroy(record);

    const QMetaType listType = QMetaType::fromName("QList<TDevices>");
    QVERIFY(listType.isValid());
    auto *copy = static_cast<QList<TDevices> *>(listType.create(&list));
    QCOMPARE(copy->size(), 2);
    QCOMPARE(fields(copy->at(0)), fields(device));
    QCOMPARE(fields(copy->at(1)), QStringList(5));
    listType.destroy(copy);
}

void TestTDevices::crossesThreadsIntact()
{
    const QList<TDevices> devices {{"\\\\.\\COM1", "12345", "DL-METER", "1.2.4660", "Готов"},
                                   {"\\\\.\\COM7", "n/a", "n/a", "Нет прошивки", "Готов"},
                                   {"\\\\.\\COM200", "n/a", "n/a", "Нет прошивки", "режим ISP"}};
    const QStringList locations {"\\\\.\\COM1", "\\\\.\\COM7", "\\\\.\\COM9", "\\\\.\\COM200"};

    ResultSender sender;
    ResultReceiver receiver;
    // By signature, as the window connects the scan worker.
    QVERIFY(connect(&sender, SIGNAL(result(QStringList, QList<TDevices>)), &receiver,
                    SLOT(take(QStringList, QList<TDevices>))));
    // Emitted from another thread, like the scan worker's run(): the connection queues it.
    std::unique_ptr<QThread> senderThread(
        QThread::create([&sender, &locations, &devices] { sender.send(locations, devices); }));
    senderThread->start();
    QVERIFY(senderThread->wait());

    QTRY_COMPARE(receiver.calls, 1);
    QCOMPARE(receiver.receivedIn, QThread::currentThread());
    QCOMPARE(receiver.locations, locations);
    QCOMPARE(receiver.devices.size(), devices.size());
    for (int i = 0; i < devices.size(); ++i)
        QCOMPARE(fields(receiver.devices.at(i)), fields(devices.at(i)));
}

QTEST_GUILESS_MAIN(TestTDevices)
#include "tst_tdevices.moc"
