#include "SoundFileProbe.h"

#include <QFile>
#include <QFileInfo>

namespace keysound::tools {

namespace {

bool looksLikeAudio(const QByteArray& head)
{
    const auto byte = [&](int i) { return quint8(head.at(i)); };
    if (head.startsWith("ID3") || head.startsWith("OggS") || head.startsWith("fLaC"))
        return true;
    if (head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return true;
    // An MPEG audio frame header: eleven set sync bits, then a layer that is not "reserved".
    return head.size() >= 2 && byte(0) == 0xFF && (byte(1) & 0xE0) == 0xE0 && (byte(1) & 0x06) != 0;
}

}  // namespace

SoundFileStatus probeSoundFile(const QString& nativePath)
{
    const QFileInfo info(nativePath);
    if (!info.exists())
        return SoundFileStatus::Missing;
    if (!info.isFile())
        return SoundFileStatus::NotAFile;
    if (info.size() == 0)
        return SoundFileStatus::Empty;
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly))
        return SoundFileStatus::NotAudio;
    return looksLikeAudio(file.read(12)) ? SoundFileStatus::Playable : SoundFileStatus::NotAudio;
}

QString describe(SoundFileStatus status)
{
    switch (status) {
    case SoundFileStatus::Playable: return QStringLiteral("playable");
    case SoundFileStatus::Missing: return QStringLiteral("does not exist");
    case SoundFileStatus::NotAFile: return QStringLiteral("is not a file");
    case SoundFileStatus::Empty: return QStringLiteral("is empty");
    case SoundFileStatus::NotAudio: return QStringLiteral("is not a sound file (MP3, WAV, Ogg or FLAC)");
    }
    return QString();
}

}  // namespace keysound::tools
