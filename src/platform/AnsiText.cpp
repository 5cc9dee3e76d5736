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
    QStringDecoder decoder(QStringConverter::System);
    return decoder.decode(bytes);
}

}  // namespace keysound::platform
