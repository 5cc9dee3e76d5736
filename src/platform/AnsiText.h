#pragma once

#include <QByteArray>
#include <QString>

namespace keysound::platform {

// The system's 8-bit text: the locale's encoding (UTF-8 on our machines).
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);

}  // namespace keysound::platform
