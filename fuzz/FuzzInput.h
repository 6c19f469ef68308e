#ifndef FUZZINPUT_H
#define FUZZINPUT_H

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// What the fuzz targets share: their input as Qt bytes, taken apart front to back, and a broken
// promise reported the way the fuzzer reports a crash.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size)
        : bytes(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)))
    { }

    bool isEmpty() const { return at == bytes.size(); }
    // The next byte, 0 once the input is used up.
    quint8 byte() { return isEmpty() ? 0 : quint8(bytes.at(at++)); }
    QByteArray take(qsizetype count)
    {
        const QByteArray taken = bytes.mid(at, count);
        at += taken.size();
        return taken;
    }
    QByteArray remaining() { return take(bytes.size() - at); }

    // The rest copied into a zeroed buffer of N bytes, as a reply lands in the program's
    // zeroed reply buffer: a short reply leaves zeros behind it.
    template<size_t N> void fill(char (&buffer)[N]) const
    {
        std::memset(buffer, 0, N);
        std::memcpy(buffer, bytes.constData() + at, std::min(N, size_t(bytes.size() - at)));
    }

    // Qt's messages (warnings about bad settings keys, for one) would drown the fuzzer's.
    static void silenceMessages()
    {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    }

private:
    QByteArray bytes; // the fuzzer's own buffer, not copied
    qsizetype at = 0;
};

// A promise of the code under test that the input broke: abort, so that the fuzzer keeps the
// input as a crash.
inline void requireThat(bool holds, const char *promise)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", promise);
        std::abort();
    }
}

#endif // FUZZINPUT_H
