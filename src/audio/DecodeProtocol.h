#pragma once

#include <cstdint>

// What keysound and a decoder process say to each other over a local packet socket. A request
// carries the open sound file itself, so the decoder reads exactly the bytes that were checked, and
// where the PCM goes: a memory file (whole sounds) or a pipe (sounds streamed as they play).
// One decoder process decodes one file, then ends.
namespace keysound::audio::decodeprotocol {

// The descriptor on which a decoder process finds its socket.
inline constexpr int SocketDescriptor = 3;

// The PCM every decoder writes: interleaved signed 16-bit, native byte order.
inline constexpr int Frequency = 44100;
inline constexpr int Channels = 2;
inline constexpr int BytesPerFrame = Channels * 2;

// A sound longer than this is not one a key plays.
inline constexpr int MaxSeconds = 3 * 60 * 60;
inline constexpr std::int64_t MaxFrames = std::int64_t(MaxSeconds) * Frequency;

enum class Mode : std::int32_t {
    Whole,   // the first keepFrames frames into the memory file, then only counted to the end
    Stream,  // every frame into the pipe, as fast as it is read
};

struct Request {
    std::uint32_t id = 0;
    Mode mode = Mode::Whole;
    std::int64_t keepFrames = 0;
    // Whole: a sound longer than keepFrames is still decoded to its end, for a verdict on all of it.
    // Otherwise decoding stops there and the reply says LongerThanKept: the key streams it instead.
    bool countToEnd = true;
};

// How long decoding a whole file of this size may take: decoding runs at a hundred times the speed
// of playing or more, and no format needs more than a millisecond of decoding for each 100 bytes.
// So a file that runs longer hangs, and a small one is found out within seconds.
std::int32_t decodeTimeLimitMs(std::int64_t fileBytes);

enum class Outcome : std::int32_t {
    Decoded,    // to its end
    NotASound,  // not MP3, WAV, Ogg or FLAC, or a header damaged beyond use
    Refused,    // the decoder would not take it, or it decoded to nothing
    TooLong,    // more than MaxSeconds
    LongerThanKept,  // decoded well as far as keepFrames, and goes on
};

struct Reply {
    std::uint32_t id = 0;
    Outcome outcome = Outcome::NotASound;
    std::int64_t frames = 0;      // the whole sound's
    std::int64_t keptFrames = 0;  // written to the memory file or the pipe
    std::int32_t peak = 0;        // 0..32767
    std::int64_t firstSoundFrame = -1;
    char refusal[256] = {};  // the decoder's own words, UTF-8, NUL-terminated
};

// Both block; false when the other side is gone or the message is malformed.
bool sendRequest(int socket, const Request& request, int soundFile, int output);
bool receiveRequest(int socket, Request& request, int& soundFile, int& output);
bool sendReply(int socket, const Reply& reply);
bool receiveReply(int socket, Reply& reply);

}  // namespace keysound::audio::decodeprotocol
