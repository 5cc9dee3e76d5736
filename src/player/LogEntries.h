#pragma once

#include <QString>

namespace keysound::player {

// The two lines a lookup puts in front of the log, each followed by an empty line.
inline QString foundEntry(const QString& keyText)
{
    return QStringLiteral("有对应音频记录,响应按键  ") + keyText + QStringLiteral("\r\n\r\n");
}

inline QString notFoundEntry(const QString& keyText)
{
    return QStringLiteral("无对应音频记录 ---响应按键 ") + keyText + QStringLiteral("\r\n\r\n");
}

}  // namespace keysound::player
