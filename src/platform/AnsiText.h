#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace keysound::platform {

// The system's 8-bit text: the locale's encoding (UTF-8 on our machines).
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);

// UTF-8 to text with every character kept. QString::fromUtf8 (and a QStringDecoder left to its
// defaults) drops a byte-order mark at the start, but at the start of a stored key or file name
// U+FEFF is a character of that text.
QString fromUtf8Exact(QByteArrayView utf8);

// The part of 8-bit text that a C string call sees: an embedded NUL ends it.
QByteArray asCString(const QByteArray& text);

}  // namespace keysound::platform
