#pragma once

#include "TestFiles.h"
#include "audio/DecodeProtocol.h"

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstdint>
#include <vector>

namespace keysound::test {

inline const QString audioFixtures = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR);
inline const QString soundFixtures = QStringLiteral(KEYSOUND_SOUND_FIXTURES_DIR);

// Samples in keysound's PCM format that a decoder can pass through unchanged: a ramp that is never
// zero, so that no frame of it can pass for the mixer's trailing silence.
inline std::vector<int16_t> rampSamples(qint64 frames, int16_t from = 1)
{
    std::vector<int16_t> samples(size_t(frames) * audio::decodeprotocol::Channels);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(from + int(i % 20000));
    return samples;
}

// A WAV file of these samples, in keysound's own PCM format.
inline QByteArray wavOf(const std::vector<int16_t>& samples)
{
    namespace protocol = audio::decodeprotocol;
    const auto le32 = [](quint32 v) { v = qToLittleEndian(v); return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    const auto le16 = [](quint16 v) { v = qToLittleEndian(v); return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    const QByteArray data(reinterpret_cast<const char*>(samples.data()), qsizetype(samples.size() * 2));
    const QByteArray format = le16(1) + le16(protocol::Channels) + le32(protocol::Frequency) +
                              le32(protocol::Frequency * protocol::BytesPerFrame) + le16(protocol::BytesPerFrame) +
                              le16(16);
    const QByteArray body = "WAVE" + ("fmt " + le32(16) + format) + ("data" + le32(quint32(data.size())) + data);
    return "RIFF" + le32(quint32(body.size())) + body;
}

// A playable WAV whose last sixteen bytes tell the misbehaving decoder which fault to commit.
inline QByteArray wavCommitting(const QByteArray& fault)
{
    QByteArray marker = "fault:" + fault;
    marker.prepend(QByteArray(16 - marker.size(), 'x'));
    QByteArray wav = wavOf(rampSamples(4410));
    wav.replace(wav.size() - 16, 16, marker);
    return wav;
}

}  // namespace keysound::test
