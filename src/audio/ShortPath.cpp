#include "audio/ShortPath.h"

#include "platform/AnsiText.h"
#include "platform/AppFolder.h"

#include <QFileInfo>
#include <cstring>

namespace keysound::audio {

namespace {
// The platform call takes a C string: whatever follows an embedded NUL never reaches it.
QByteArray asCString(const QByteArray& text)
{
    const qsizetype end = text.indexOf('\0');
    return end < 0 ? text : text.left(end);
}

bool namesExistingEntry(const QByteArray& pathAnsi)
{
    if (pathAnsi.isEmpty())
        return false;
    return QFileInfo::exists(platform::nativePath(platform::fromAnsi(pathAnsi)));
}
}  // namespace

int getShortPathName(const QByteArray& longPathAnsi, char* buffer, int bufferLength)
{
    const QByteArray path = asCString(longPathAnsi);
    if (buffer == nullptr || !namesExistingEntry(path))
        return 0;
    const int length = int(path.size());
    if (length + 1 > bufferLength)
        return 0;
    std::memcpy(buffer, path.constData(), size_t(length));
    buffer[length] = '\0';
    return length;
}

}  // namespace keysound::audio
