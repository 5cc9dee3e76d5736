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

}  // namespace keysound::platform
