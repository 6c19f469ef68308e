#ifndef SECONDOPENER_H
#define SECONDOPENER_H

#include <QString>

// Another program's descriptor of a port: takes the port the way other serial tools do and
// looks at the terminal from outside the link under test. Open it before the link opens the
// port: an exclusive terminal admits no new opener (root aside). It can also hold back
// everything written to the port, as a line whose far end has stopped taking bytes.
class SecondOpener
{
public:
    explicit SecondOpener(const QString &devicePath);
    ~SecondOpener();

    SecondOpener(const SecondOpener &) = delete;
    SecondOpener &operator=(const SecondOpener &) = delete;

    bool lock();
    bool makeExclusive();
    bool isExclusive() const;
    // Waits until at least `bytes` received bytes wait on the terminal, unread; false after
    // timeoutMs.
    bool waitForPendingInput(int bytes, int timeoutMs) const;
    // Waits until the port carries the devices' line settings, that is until the program has
    // opened it; false after timeoutMs.
    bool waitForLineSettings(int timeoutMs) const;

    // Suspends and resumes the output of the terminal: the program's writes stay unsent.
    bool holdOutput();
    bool releaseOutput();

private:
    int fd = -1;
    bool madeExclusive = false;
};

#endif // SECONDOPENER_H
