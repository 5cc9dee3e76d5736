#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// An MP3 as the player hears it: loaded by SDL_mixer's music decoder (Mix_LoadMUSType_RW,
// MUS_MP3), played once into SDL's disk driver and taken from the mixer's output, starting with the
// first buffer the music is mixed into; so sample 0 is the moment the player starts the sound.
struct PlayedSound {
    std::vector<int16_t> samples;  // interleaved
    int rate = 0;
    int channels = 0;

    int peak() const;
    // When the first sample at `level` or louder sounds, in milliseconds; none when none is.
    std::optional<double> onsetMilliseconds(int level) const;
};

// Nothing when SDL or SDL_mixer fail to open, load or finish playing the file. The disk driver
// writes to deviceFile.
std::optional<PlayedSound> playThroughMixer(const QByteArray& mp3, const QString& deviceFile);
