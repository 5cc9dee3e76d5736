#pragma once

#include <cstdint>

// What keysound and its sound-checking process say to each other over a local packet socket:
// a request carries the open file itself, so the process checks exactly the bytes the key plays.
namespace keysound::audio::checkprotocol {

// The descriptor on which the checking process finds its socket.
inline constexpr int SocketDescriptor = 3;

// A sound longer than this is not one a key can wait for.
inline constexpr int MaxTrialSeconds = 30 * 60;

struct Request {
    std::uint32_t id = 0;
    std::int32_t frequency = 0;
    std::int32_t channels = 0;
    std::int32_t timeLimitMs = 0;
};

// How long a trial of a file of this size may take: decoding runs at a hundred times the speed of
// playing or more, and no format needs more than a millisecond of decoding for each 100 bytes.
// So a file that runs longer hangs, and a small one is found out within seconds.
std::int32_t trialTimeLimitMs(std::int64_t fileBytes);

enum class Outcome : std::int32_t {
    Played,     // decoded to its end
    NotASound,  // not MP3, WAV, Ogg or FLAC, or a header damaged beyond use
    Refused,    // the decoder would not take it, or it decoded to nothing
    TooLong,    // more audio than a check plays
    Crashed,    // the trial ended by a signal (a decoder's crash, or a limit it ran into)
    TimedOut,   // the trial took longer than its time
};

struct Reply {
    std::uint32_t id = 0;
    Outcome outcome = Outcome::NotASound;
    std::int32_t signal = 0;
    std::int32_t frequency = 0;
    std::int32_t peak = 0;
    std::int64_t frames = 0;
    std::int64_t firstSoundFrame = -1;
    char refusal[256] = {};  // the decoder's own words, UTF-8, NUL-terminated
};

// Both block; false when the other side is gone or the message is malformed.
bool sendRequest(int socket, const Request& request, int fileDescriptor);
bool receiveRequest(int socket, Request& request, int& fileDescriptor);
bool sendReply(int socket, const Reply& reply);
bool receiveReply(int socket, Reply& reply);

}  // namespace keysound::audio::checkprotocol
