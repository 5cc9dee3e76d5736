#pragma once

#include "audio/SoundBytes.h"
#include "audio/SoundLayout.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;

namespace keysound::audio {

// The output a check plays a sound on: the mixer's format as a key would find it.
struct TrialOutput {
    int frequency = 44100;
    int channels = 2;
};

// Whether a sound file may be played, decided by playing it through first where a failure cannot
// harm the program: in the checking process (keysound-sound-checker), each file in a disposable
// child under limits of time and memory.
struct SoundVerdict {
    enum class Kind {
        Playable,
        Missing,
        NotAFile,  // a folder, a device, a FIFO ...
        Unreadable,
        Empty,
        NotASound,    // not MP3, WAV, Ogg or FLAC, or its header is damaged beyond use
        Refused,      // the decoder would not take it, or it decoded to nothing
        TooLong,      // more than a check plays (checkprotocol::MaxTrialSeconds)
        Crashed,      // the decoder crashed or ran out of memory or processor time
        TimedOut,     // the check did not end in time
        Unavailable,  // no checking process could be run: nothing is known of the file
    };
    Kind kind = Kind::Unavailable;
    std::optional<SoundLayout> layout;  // what the player hands the decoders; set when playable
    int signal = 0;                     // what ended a crashed check
    QString refusal;                    // the decoder's own words
    qint64 frames = 0;                  // from the start of the sound to its end, at `frequency`
    int frequency = 0;
    int peak = 0;                 // 0..32767
    qint64 firstSoundFrame = -1;  // the first frame at least a hundredth of full scale

    bool isPlayable() const { return kind == Kind::Playable; }
    double seconds() const;
    std::optional<double> firstSoundSeconds() const;
};

// A sentence on why a file is no playable sound ("" for a playable one), for reports.
QString describeVerdict(const SoundVerdict& verdict);

// The one place that decides whether a sound file is playable, for the player and for every tool
// that reads or writes sounds. Verdicts are kept for the run, by the file's identity (device,
// inode, size and times), so a file is played through only once unless it changes.
// Belongs to the thread that made it; answers come through that thread's event loop.
class SoundChecker {
public:
    SoundChecker();
    ~SoundChecker();
    SoundChecker(const SoundChecker&) = delete;
    SoundChecker& operator=(const SoundChecker&) = delete;

    // The verdict when it is known without a check: kept from an earlier one, or at once for a file
    // that is no MP3, WAV, Ogg or FLAC at all.
    std::optional<SoundVerdict> knownVerdict(const SoundFile& file);
    // Starts the checking process ahead of the first check, which then takes milliseconds, not tens.
    void prepare();
    // Starts the check of a file whose verdict is not known; `checked` runs once it is (also when
    // no checking process could be run, and then nothing is kept).
    void requestVerdict(const std::shared_ptr<SoundFile>& file, const TrialOutput& output,
                        std::function<void()> checked);
    bool isChecking() const { return !pending_.isEmpty(); }
    // The verdict, checked now if need be; waits for the check.
    SoundVerdict verdictNow(const std::shared_ptr<SoundFile>& file, const TrialOutput& output = {});
    // The same for the file at a native path, which may also be missing, no file or empty.
    SoundVerdict verdictNow(const QString& nativePath);
    // Why the file at a native path is no playable sound (describeVerdict), or nothing when it is.
    std::optional<QString> problemWith(const QString& nativePath);

    // Where the checking process is, as platform::helperExecutable() says.
    static QString executable();

private:
    struct Pending {
        FileIdentity identity;
        SoundLayout layout;
        std::vector<std::function<void()>> checked;
    };

    bool startServer();
    void stopServer();
    void readReplies();
    bool readOneReply();
    void keep(const FileIdentity& identity, const SoundVerdict& verdict);
    void settle(quint32 id, const SoundVerdict& verdict);

    QHash<FileIdentity, SoundVerdict> verdicts_;
    QHash<quint32, Pending> pending_;
    quint32 nextId_ = 1;
    int socket_ = -1;
    int server_ = -1;
    qint64 lastStartMs_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace keysound::audio
