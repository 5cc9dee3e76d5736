#include "SoundStream.h"

#include <SDL_mixer.h>
#include <cstring>
#include <limits>

namespace keysound::audio {

namespace {

// Decoders read a few bytes at a time (a frame header, then its body); the stream reads ahead in
// blocks, so a key costs a handful of reads from the file instead of hundreds.
constexpr qint64 ReadAheadBytes = 16 * 1024;

struct Stream {
    std::shared_ptr<const SoundBytes> file;
    SoundLayout layout;
    qint64 size = 0;
    qint64 position = 0;
    QByteArray block{};  // the stream's bytes from blockStart on
    qint64 blockStart = 0;

    qint64 read(char* into, qint64 length)
    {
        qint64 done = 0;
        while (done < length) {
            const qint64 at = position + done;
            if (at < blockStart || at >= blockStart + block.size()) {
                block.resize(ReadAheadBytes);
                blockStart = at;
                block.truncate(qsizetype(layout.readAt(*file, at, block.data(), ReadAheadBytes)));
                if (block.isEmpty())
                    break;
            }
            const qint64 n = std::min(length - done, blockStart + block.size() - at);
            std::memcpy(into + done, block.constData() + (at - blockStart), size_t(n));
            done += n;
        }
        return done;
    }
};

Stream& streamOf(SDL_RWops* rw) { return *static_cast<Stream*>(rw->hidden.unknown.data1); }

Sint64 streamSize(SDL_RWops* rw) { return streamOf(rw).size; }

Sint64 streamSeek(SDL_RWops* rw, Sint64 offset, int whence)
{
    Stream& stream = streamOf(rw);
    Sint64 base = 0;
    if (whence == RW_SEEK_CUR)
        base = stream.position;
    else if (whence == RW_SEEK_END)
        base = stream.size;
    else if (whence != RW_SEEK_SET)
        return SDL_SetError("Unknown seek origin");
    if (offset > 0 && base > std::numeric_limits<Sint64>::max() - offset)
        return SDL_SetError("Seek beyond the stream");
    if (base + offset < 0)
        return SDL_SetError("Seek before the stream");
    stream.position = base + offset;
    return stream.position;
}

size_t streamRead(SDL_RWops* rw, void* into, size_t size, size_t count)
{
    if (size == 0 || count == 0 || count > size_t(std::numeric_limits<qint64>::max()) / size)
        return 0;
    Stream& stream = streamOf(rw);
    const qint64 n = stream.read(static_cast<char*>(into), qint64(size * count));
    stream.position += n;
    return size_t(n) / size;
}

size_t streamWrite(SDL_RWops*, const void*, size_t, size_t)
{
    SDL_SetError("A sound stream is read-only");
    return 0;
}

int streamClose(SDL_RWops* rw)
{
    delete &streamOf(rw);
    SDL_FreeRW(rw);
    return 0;
}

Mix_MusicType musicType(SoundFormat format)
{
    switch (format) {
    case SoundFormat::Mp3: return MUS_MP3;
    case SoundFormat::Wav: return MUS_WAV;
    case SoundFormat::Ogg: return MUS_OGG;
    case SoundFormat::Flac: return MUS_FLAC;
    }
    return MUS_NONE;
}

}  // namespace

Mix_Music* loadMusic(std::shared_ptr<const SoundBytes> file, const SoundLayout& layout)
{
    SDL_RWops* rw = SDL_AllocRW();
    if (rw == nullptr)
        return nullptr;
    rw->type = SDL_RWOPS_UNKNOWN;
    rw->size = streamSize;
    rw->seek = streamSeek;
    rw->read = streamRead;
    rw->write = streamWrite;
    rw->close = streamClose;
    rw->hidden.unknown.data1 = new Stream{.file = std::move(file), .layout = layout, .size = layout.size()};
    return Mix_LoadMUSType_RW(rw, musicType(layout.format), SDL_TRUE);  // closes the stream on failure too
}

}  // namespace keysound::audio
