// A keyboard sound pack given as bytes: a zip (bytes starting "PK") opened, its config.json and
// every file the keys name read, or else the bytes read as config.json itself; then the keys
// planned. Whatever the bytes, the reader must refuse them (Refusal, keysound::Error) or accept
// them within its bounds: no crash, no hang, no unbounded memory.
#include "KeyPlan.h"
#include "KeyboardPackText.h"
#include "PackFiles.h"
#include "platform/Error.h"

#include <QFile>
#include <QTemporaryDir>

using namespace keysound::keyboardpack;

namespace {

constexpr qint64 MaxFuzzedSoundBytes = 1 << 20;

void readKeys(const QByteArray& config, const PackFiles* files)
{
    const KeyPlan plan = planKeys(parsePackConfig(config));
    if (plan.keys.size() > limits::MaxDefines * 2)
        __builtin_trap();  // a key and its shifted character, at most
    for (const SoundSource& source : plan.sources) {
        if (source.slice && (source.slice->startMs < 0 || source.slice->lengthMs <= 0))
            __builtin_trap();  // refused or left out before here
        if (files && !source.file.isEmpty())
            files->read(source.file, MaxFuzzedSoundBytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        if (!bytes.startsWith("PK")) {
            readKeys(bytes, nullptr);
            return 0;
        }
        const QString path = folder.filePath(QStringLiteral("pack.zip"));
        QFile zip(path);
        if (!zip.open(QIODevice::WriteOnly | QIODevice::Truncate) || zip.write(bytes) != bytes.size())
            __builtin_trap();
        zip.close();
        const std::unique_ptr<PackFiles> files = PackFiles::open(path);
        readKeys(files->read(ConfigFileName, limits::MaxConfigBytes), files.get());
    } catch (const Refusal&) {
    } catch (const keysound::Error&) {
    }
    return 0;
}
