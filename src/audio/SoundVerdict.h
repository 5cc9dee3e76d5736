#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace keysound::audio {

// Whether a sound file may be played, as its decoding in a decoder process turned out.
struct SoundVerdict {
    enum class Kind {
        Playable,
        Missing,
        NotAFile,  // a folder, a device, a FIFO ...
        Unreadable,
        Empty,
        NotASound,    // not MP3, WAV, Ogg or FLAC, or its header is damaged beyond use
        Refused,      // the decoder would not take it, or it decoded to nothing
        TooLong,      // more than decodeprotocol::MaxSeconds
        Crashed,      // the decoder crashed, broke its sandbox's rules, or ran out of memory or processor time
        TimedOut,     // decoding did not end in time
        Unavailable,  // no decoder could be run: nothing is known of the file
    };
    Kind kind = Kind::Unavailable;
    int signal = 0;      // what ended a crashed decoder
    QString refusal;     // the decoder's own words
    qint64 frames = 0;   // from the start of the sound to its end, at decodeprotocol::Frequency
    int peak = 0;        // 0..32767
    qint64 firstSoundFrame = -1;  // the first frame at least a hundredth of full scale

    bool isPlayable() const { return kind == Kind::Playable; }
    // Whether the verdict says something of the file itself, and so may be kept for it.
    bool isAboutTheFile() const { return kind != Kind::Unavailable; }
    double seconds() const;
    std::optional<double> firstSoundSeconds() const;
};

// A sentence on why a file is no playable sound ("" for a playable one), for reports.
QString describeVerdict(const SoundVerdict& verdict);

}  // namespace keysound::audio
