// A table pack given as bytes, read and checked as unpacking reads it, and every sound it holds
// read to its end. Whatever the bytes, the reader must refuse them with a keysound::Error or
// accept them within its bounds: no crash, no hang, no unbounded memory.
#include "PackReader.h"
#include "platform/Error.h"

#include <QIODevice>

namespace {

// Counts what it is given and keeps nothing, so a sound's size costs no memory here.
class Discard : public QIODevice {
public:
    Discard() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override { return size; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const keysound::pack::PackReader pack(bytes, QStringLiteral("fuzz.kspack"));
        for (int sound = 0; sound < pack.sounds().size(); ++sound) {
            Discard sink;
            pack.readSound(sound, sink);
            if (quint64(sink.pos()) != pack.sounds().at(sound).size)
                __builtin_trap();  // a sound read whole is exactly as long as it says
        }
    } catch (const keysound::Error&) {
    }
    return 0;
}
