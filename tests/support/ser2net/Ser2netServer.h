#ifndef SER2NETSERVER_H
#define SER2NETSERVER_H

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// ser2net (the Debian package) serving lines over telnet with RFC 2217 on 127.0.0.1, one TCP
// port each, as a bench's device server would: the configuration is generated, the process is
// the test's child and ends with the object.
class Ser2netServer
{
public:
    Ser2netServer() = default;
    ~Ser2netServer();
    Q_DISABLE_COPY_MOVE(Ser2netServer)

    // How a line is served: as a bench should, or as plain telnet without line settings.
    enum class Telnet { Rfc2217, Plain };

    // Serves the line at devicePath once started; answers its address, "rfc2217://127.0.0.1:P".
    // With a trace file, the server writes every byte a client sends it there, telnet commands
    // included, so that the messages can be counted.
    QString serve(const QString &devicePath, Telnet telnet = Telnet::Rfc2217,
                  const QString &traceFile = {});
    // Starts the server and waits until every port listens; false with the reason in error.
    bool start(QString *error);
    // Ends the server at once, as a crash or a power cut would.
    void kill();

    // A TCP port on 127.0.0.1 that nothing listens on at this moment.
    static quint16 freePort();

    // What clients sent the server, counted in a trace file of serve().
    struct Messages
    {
        int connections = 0;
        // SET-BAUDRATE, SET-DATASIZE, SET-PARITY, SET-STOPSIZE and SET-CONTROL.
        int settings = 0;
        // PURGE-DATA.
        int purges = 0;
    };
    static Messages countMessages(const QString &traceFile);

private:
    struct Line
    {
        QString devicePath;
        quint16 port;
        Telnet telnet;
        QString traceFile;
    };

    QByteArray configuration() const;
    bool allListening() const;

    QTemporaryDir dir;
    QList<Line> lines;
    QProcess process;
};

#endif // SER2NETSERVER_H
