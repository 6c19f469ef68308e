#ifndef SECONDOPENER_H
#define SECONDOPENER_H

#include <QString>

// Another program's descriptor of a port: takes the port the way other serial tools do and
// looks at the terminal from outside the link under test. Open it before the link opens the
// port: an exclusive terminal admits no new opener (root aside).
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

private:
    int fd = -1;
    bool madeExclusive = false;
};

#endif // SECONDOPENER_H
