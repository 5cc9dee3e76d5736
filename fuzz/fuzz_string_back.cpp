// GetStringBack on any two texts (split at the first zero byte): an error for a text without the
// separator, else a tail without backslashes.
#include "editor/StringBack.h"
#include "platform/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    const QString text = QString::fromUtf8(split < 0 ? bytes : bytes.left(split));
    const QString separator = split < 0 ? QString() : QString::fromUtf8(bytes.mid(split + 1));
    try {
        const QString back = keysound::editor::getStringBack(text, separator);
        if (back.contains(u'\\') || (!text.isEmpty() && !text.contains(separator)))
            __builtin_trap();
    } catch (const keysound::Error&) {
    }
    return 0;
}
