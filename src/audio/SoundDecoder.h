#pragma once

#include "audio/Pcm.h"
#include "audio/SoundBytes.h"
#include "audio/SoundVerdict.h"
#include "platform/ChildProcess.h"

#include <QHash>
#include <QString>
#include <functional>
#include <list>
#include <memory>
#include <optional>

namespace keysound::audio {

// What decoding a file gave: its verdict and, for a playable sound short enough to be held, its PCM.
// A playable sound without PCM is too long to be held and streams as it plays.
struct DecodedSound {
    SoundVerdict verdict;
    std::shared_ptr<const Pcm> pcm;
    qint64 streamFrames = 0;  // for a sound that streams: the most it may play
};

// A decoder process writing every frame of a sound into a pipe, read as it plays. The process is
// ended when the stream goes.
struct PcmStream {
    int readEnd = -1;  // non-blocking
    qint64 frames = 0;  // what the sound holds, as its decoding found
    platform::ChildProcess process;
    PcmStream(int readEnd, qint64 frames, platform::ChildProcess process);
    ~PcmStream();
};

// The one way keysound and its tools decode sounds: each file in a decoder process of its own
// (keysound-decoder) that is sandboxed before it reads a byte of the file, handed the descriptor of
// a file opened and recognised here (SoundFile, readSoundLayout). What comes back is checked before
// it is used. A spare decoder is started ahead, so that a decode starts within a millisecond.
// Belongs to the thread that made it; asynchronous results come through that thread's event loop.
class SoundDecoder {
public:
    // More PCM than this for one sound is not held: the sound streams instead (95 s at 44.1 kHz).
    static constexpr qint64 DefaultHeldBytesPerSound = qint64(16) << 20;

    explicit SoundDecoder(qint64 heldBytesPerSound = DefaultHeldBytesPerSound);
    ~SoundDecoder();
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;

    // Starts the spare decoder ahead of the first decode.
    void prepare();

    using Done = std::function<void(const DecodedSound&)>;
    // Decodes the whole file; `done` runs from the event loop once it is known. Work nobody waits for
    // runs at the lowest priority.
    // A key does not wait for the end of a long sound: past what is held, it streams.
    void decode(const std::shared_ptr<SoundFile>& file, bool nobodyWaits, Done done);
    int decodesRunning() const { return int(running_.size()); }

    // Starts a decoder that streams every frame of a playable sound; null when none can start.
    std::unique_ptr<PcmStream> stream(const std::shared_ptr<SoundFile>& file, qint64 frames);

    // The same as decode, waiting for it.
    DecodedSound decodeNow(const std::shared_ptr<SoundFile>& file);
    // For the file at a native path, which may also be missing, no file or empty.
    DecodedSound decodeNow(const QString& nativePath);
    // Kept for the run by the file's identity, so that a file mapped to many keys decodes once.
    SoundVerdict verdictNow(const QString& nativePath);
    // Why the file at a native path is no playable sound (describeVerdict), or nothing when it is.
    std::optional<QString> problemWith(const QString& nativePath);

    // Where the decoder program is, as platform::helperExecutable() says.
    static QString executable();

private:
    class Run;
    std::unique_ptr<Run> startRun(const std::shared_ptr<SoundFile>& file, bool countToEnd);
    void finish(Run* run);

    const qint64 heldFrames_;
    std::optional<platform::ChildProcess> spare_;
    int spareSocket_ = -1;
    qint64 lastFailedStartMs_ = -1;
    std::list<std::unique_ptr<Run>> running_;
    QHash<platform::FileIdentity, SoundVerdict> verdicts_;
    quint32 nextId_ = 1;
};

}  // namespace keysound::audio
