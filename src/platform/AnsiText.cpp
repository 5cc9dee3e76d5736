#include "platform/AnsiText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace keysound::platform {

QByteArray toAnsi(const QString& text)
{
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(text);
}

QString fromAnsi(const QByteArray& bytes)
{
    // Stateless: an incomplete sequence at the end is a replacement character, not silently
    // held back for a next call that never comes (that dropped the last byte of a path).
    QStringDecoder decoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QString fromUtf8Exact(QByteArrayView utf8)
{
    if (!utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(utf8);  // the same text, by the faster way
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

QByteArray asCString(const QByteArray& text)
{
    const qsizetype end = text.indexOf('\0');
    return end < 0 ? text : text.left(end);
}

}  // namespace keysound::platform
