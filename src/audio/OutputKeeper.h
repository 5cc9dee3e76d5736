#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>

namespace keysound::audio {

enum class CloseReason { Idle, Lost };

// The sound output as the keeper sees it: something that opens, closes, can get lost
// (server gone, device removed, mixing stalled) and may be sounding right now.
class OutputDevice {
public:
    virtual ~OutputDevice() = default;
    virtual bool isOpen() const = 0;
    // True when open now. False also when opening has only begun (in the background): either way
    // the keeper does not ask again within its retry time.
    virtual bool open() = 0;
    // Idle: the driver may stay loaded, so the next open is quick. Lost: everything goes.
    virtual void close(CloseReason reason) = 0;
    virtual bool isLost() const = 0;
    virtual bool isSounding() const = 0;
};

struct KeeperTiming {
    int retryAfterFailureMs = 1000;  // a missing device is tried again at most this often
    int closeAfterSilenceMs = 3000;  // lets the sound server suspend its sink soon after typing stops
    int soundingRecheckMs = 1000;    // while a long sound plays, one look a second is enough
};

// Decides when the output is opened and closed: open at a key (at once after a loss, at most once a
// second after a failed open), closed a few seconds after the last sound has ended. Time comes from
// a clock function so the rules can be run without waiting.
class OutputKeeper {
public:
    using Clock = std::function<qint64()>;  // milliseconds, monotonic

    OutputKeeper(OutputDevice& device, KeeperTiming timing = {}, Clock clock = {});

    // Before a sound: true when the output is open and can play it.
    bool prepareToPlay();

    // The periodic look after sounds: closes an idle or lost output. Returns the delay until the
    // next look, or -1 when no more looks are needed (the output is closed).
    int checkIdle();

private:
    bool reopenWhenLost();
    bool retryIsDue() const;

    OutputDevice& device_;
    KeeperTiming timing_;
    Clock clock_;
    std::optional<qint64> silentSince_;
    std::optional<qint64> lastFailedOpen_;
};

}  // namespace keysound::audio
