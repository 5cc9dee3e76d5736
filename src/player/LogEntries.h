#pragma once

#include <QString>

namespace keysound::player {

// One lookup's entry in the log: the message, the key text, then an empty line. A key that is itself a
// blank would be invisible there, and is shown as the blank's picture; a phrase keeps its blanks.
inline bool showsBlankAsPicture(const QString& keyText) { return keyText == QStringLiteral(" "); }

struct LogEntry {
    QString message;
    QString keyText;
    QString lineEnds = QStringLiteral("\r\n\r\n");
};

inline LogEntry foundEntry(const QString& keyText) { return {QStringLiteral("有对应音频记录,响应按键  "), keyText}; }

inline LogEntry notFoundEntry(const QString& keyText)
{
    return {QStringLiteral("无对应音频记录 ---响应按键 "), keyText};
}

}  // namespace keysound::player
