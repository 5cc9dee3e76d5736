// Any connection string is read or refused with an error; and the string the program builds for
// any folder names exactly that folder's db1.mdb.
#include "platform/Error.h"
#include "store/ConnectionString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        keysound::store::connectionStringValue(text, QStringLiteral("Data Source"));
    } catch (const keysound::Error&) {
    }
    const QString folder = text.left(text.indexOf(QChar(u'\0')));
    const QString named = keysound::store::connectionStringValue(keysound::store::connectionStringFor(folder),
                                                                 QStringLiteral("Data Source"));
    if (named != keysound::store::databasePathText(folder))
        __builtin_trap();
    return 0;
}
