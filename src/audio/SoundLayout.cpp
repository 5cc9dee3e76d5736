#include "audio/SoundLayout.h"

#include <algorithm>
#include <cstring>

namespace keysound::audio {

namespace {

constexpr int MaxLeadingTags = 4;
constexpr int MaxTrailingTags = 8;
constexpr qint64 MaxPaddingAfterTags = 64 * 1024;
constexpr int MaxWaveChunks = 256;
constexpr int MaxFlacBlocks = 1024;
constexpr int MaxWaveChannels = 8;
constexpr quint32 MaxWaveRate = 768000;
constexpr qint64 MaxWaveDataLength = 0xFFFFFFFFll - 36;  // what the header of our own can state

quint32 le16(const QByteArray& b, int at) { return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8; }

quint32 le32(const QByteArray& b, int at) { return le16(b, at) | le16(b, at + 2) << 16; }

quint32 be24(const QByteArray& b, int at)
{
    return quint32(uchar(b[at])) << 16 | quint32(uchar(b[at + 1])) << 8 | quint32(uchar(b[at + 2]));
}

void appendLe16(QByteArray& b, quint32 value) { b.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF)); }

void appendLe32(QByteArray& b, quint32 value)
{
    appendLe16(b, value & 0xFFFF);
    appendLe16(b, value >> 16);
}

SoundPiece fileRange(qint64 offset, qint64 length) { return {offset, length, {}}; }

SoundPiece ownBytes(QByteArray bytes)
{
    const qint64 length = bytes.size();
    return {0, length, std::move(bytes)};
}

// Where the audio begins after ID3v2 tags (MP3 and FLAC may carry them) and the zeros some writers
// pad them with; nothing when a tag's header is damaged or claims more than the file holds.
std::optional<qint64> skipLeadingTags(const SoundBytes& file)
{
    qint64 at = 0;
    for (int tags = 0; tags < MaxLeadingTags; ++tags) {
        const QByteArray header = file.read(at, 10);
        if (header.size() < 10 || !header.startsWith("ID3"))
            break;
        const bool synchsafe = (header[6] | header[7] | header[8] | header[9]) & 0x80;
        if (uchar(header[3]) == 0xFF || uchar(header[4]) == 0xFF || synchsafe)
            return std::nullopt;
        const qint64 body = qint64(header[6]) << 21 | qint64(header[7]) << 14 | qint64(header[8]) << 7 | header[9];
        const bool footer = header[5] & 0x10;
        at += 10 + body + (footer ? 10 : 0);
        if (at > file.size())
            return std::nullopt;
    }
    constexpr qint64 step = 4096;
    for (qint64 padded = 0; padded < MaxPaddingAfterTags; padded += step) {
        const QByteArray padding = file.read(at, step);
        const qsizetype zeros =
            qsizetype(std::find_if(padding.begin(), padding.end(), [](char c) { return c != 0; }) - padding.begin());
        at += zeros;
        if (zeros < step)
            break;
    }
    return at;
}

// An MPEG-1, -2 or -2.5 Layer III frame header with no reserved field value.
bool isMp3FrameHeader(const QByteArray& b)
{
    if (b.size() < 4 || uchar(b[0]) != 0xFF || (uchar(b[1]) & 0xE0) != 0xE0)
        return false;
    const int version = (uchar(b[1]) >> 3) & 3;
    const int layer = (uchar(b[1]) >> 1) & 3;
    const int bitrate = uchar(b[2]) >> 4;
    const int rate = (uchar(b[2]) >> 2) & 3;
    const int emphasis = uchar(b[3]) & 3;
    return version != 1 && layer == 1 && bitrate != 15 && rate != 3 && emphasis != 2;
}

// The size of the tag that ends at `end`, 0 when none does. A tag whose size makes no sense only
// loses its signature, so that no tag reader ever finds it.
qint64 trailingTagSize(const SoundBytes& file, qint64 start, qint64 end)
{
    const qint64 room = end - start;
    if (room >= 128 && file.read(end - 128, 3) == "TAG")
        return 128;
    if (room >= 32 && file.read(end - 32, 8) == "APETAGEX") {
        const QByteArray footer = file.read(end - 32, 32);
        const bool hasHeader = le32(footer, 20) & 0x80000000u;
        const qint64 whole = qint64(le32(footer, 12)) + (hasHeader ? 32 : 0);
        return whole >= 32 && whole <= room ? whole : 32;
    }
    if (room >= 15 && file.read(end - 9, 9) == "LYRICS200") {
        bool digits = false;
        const qint64 whole = file.read(end - 15, 6).toLongLong(&digits) + 15;
        const bool begins = digits && whole <= room && file.read(end - whole, 11) == "LYRICSBEGIN";
        return begins ? whole : 9;
    }
    if (room >= 9 && file.read(end - 9, 9) == "LYRICSEND")
        return 9;
    return 0;
}

std::optional<SoundLayout> mp3Layout(const SoundBytes& file, qint64 start)
{
    if (!isMp3FrameHeader(file.read(start, 4)))
        return std::nullopt;
    qint64 end = file.size();
    for (int tags = 0; tags < MaxTrailingTags; ++tags) {
        const qint64 tag = trailingTagSize(file, start, end);
        if (tag == 0)
            break;
        end -= tag;
    }
    return SoundLayout{SoundFormat::Mp3, {fileRange(start, end - start)}};
}

std::optional<SoundLayout> flacLayout(const SoundBytes& file, qint64 start)
{
    const QByteArray streamInfo = file.read(start + 4, 4 + 34);
    if (streamInfo.size() < 38 || (streamInfo[0] & 0x7F) != 0 || be24(streamInfo, 1) != 34)
        return std::nullopt;
    const quint32 sampleRate = be24(streamInfo, 14) >> 4;
    if (sampleRate == 0)
        return std::nullopt;
    qint64 at = start + 4;
    bool last = false;
    for (int blocks = 0; blocks < MaxFlacBlocks && !last; ++blocks) {
        const QByteArray header = file.read(at, 4);
        if (header.size() < 4 || (header[0] & 0x7F) == 0x7F)
            return std::nullopt;
        last = header[0] & 0x80;
        at += 4 + be24(header, 1);
    }
    if (!last || at >= file.size())
        return std::nullopt;
    QByteArray head("fLaC\x80\x00\x00\x22", 8);
    head.append(streamInfo.mid(4));
    return SoundLayout{SoundFormat::Flac, {ownBytes(head), fileRange(at, file.size() - at)}};
}

struct WaveFormat {
    quint32 tag = 0;
    quint32 channels = 0;
    quint32 rate = 0;
    quint32 blockAlign = 0;
    quint32 bits = 0;
};

constexpr quint32 WavePcm = 1;
constexpr quint32 WaveFloat = 3;
constexpr quint32 WaveALaw = 6;
constexpr quint32 WaveMuLaw = 7;
constexpr quint32 WaveExtensible = 0xFFFE;

bool bitsSuitTag(quint32 tag, quint32 bits)
{
    switch (tag) {
    case WavePcm: return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case WaveFloat: return bits == 32 || bits == 64;
    case WaveALaw:
    case WaveMuLaw: return bits == 8;
    default: return false;
    }
}

std::optional<WaveFormat> readWaveFormat(const QByteArray& chunk)
{
    if (chunk.size() < 16)
        return std::nullopt;
    WaveFormat format{le16(chunk, 0), le16(chunk, 2), le32(chunk, 4), le16(chunk, 12), le16(chunk, 14)};
    if (format.tag == WaveExtensible) {
        static const QByteArray guidTail("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
        if (chunk.size() < 40 || chunk.mid(26, 14) != guidTail)
            return std::nullopt;
        format.tag = le16(chunk, 24);
    }
    const bool sane = format.channels >= 1 && format.channels <= MaxWaveChannels && format.rate >= 1 &&
                      format.rate <= MaxWaveRate && bitsSuitTag(format.tag, format.bits) &&
                      format.blockAlign == format.channels * format.bits / 8;
    return sane ? std::optional(format) : std::nullopt;
}

QByteArray waveHeader(const WaveFormat& format, quint32 dataLength)
{
    QByteArray header("RIFF", 4);
    appendLe32(header, 4 + 8 + 16 + 8 + dataLength);
    header.append("WAVEfmt ", 8);
    appendLe32(header, 16);
    appendLe16(header, format.tag);
    appendLe16(header, format.channels);
    appendLe32(header, format.rate);
    appendLe32(header, format.rate * format.blockAlign);
    appendLe16(header, format.blockAlign);
    appendLe16(header, format.bits);
    header.append("data", 4);
    appendLe32(header, dataLength);
    return header;
}

std::optional<SoundLayout> waveLayout(const SoundBytes& file)
{
    std::optional<WaveFormat> format;
    qint64 dataOffset = -1;
    qint64 dataLength = 0;
    qint64 at = 12;
    for (int chunks = 0; chunks < MaxWaveChunks && at + 8 <= file.size(); ++chunks) {
        const QByteArray header = file.read(at, 8);
        const qint64 length = le32(header, 4);
        if (header.startsWith("fmt ") && !format) {
            format = readWaveFormat(file.read(at + 8, std::min<qint64>(length, 40)));
            if (!format)
                return std::nullopt;
        } else if (header.startsWith("data") && dataOffset < 0) {
            dataOffset = at + 8;
            dataLength = std::min(length, file.size() - dataOffset);  // a cut-off file keeps what it has
        }
        at += 8 + length + (length & 1);
    }
    if (!format || dataOffset < 0)
        return std::nullopt;
    dataLength = std::min<qint64>(dataLength, MaxWaveDataLength);
    dataLength -= dataLength % format->blockAlign;
    if (dataLength <= 0)
        return std::nullopt;
    return SoundLayout{SoundFormat::Wav,
                       {ownBytes(waveHeader(*format, quint32(dataLength))), fileRange(dataOffset, dataLength)}};
}

}  // namespace

qint64 SoundLayout::size() const
{
    qint64 total = 0;
    for (const SoundPiece& piece : pieces)
        total += piece.length;
    return total;
}

qint64 SoundLayout::readAt(const SoundBytes& file, qint64 offset, char* into, qint64 length) const
{
    qint64 done = 0;
    qint64 pieceStart = 0;
    for (const SoundPiece& piece : pieces) {
        const qint64 pieceEnd = pieceStart + piece.length;
        const qint64 from = offset + done;
        if (done < length && from >= pieceStart && from < pieceEnd) {
            const qint64 inPiece = from - pieceStart;
            const qint64 wanted = std::min(length - done, piece.length - inPiece);
            qint64 got = wanted;
            if (piece.literal.isEmpty())
                got = file.readAt(piece.fileOffset + inPiece, into + done, wanted);
            else
                std::memcpy(into + done, piece.literal.constData() + inPiece, size_t(wanted));
            done += got;
            if (got < wanted)
                break;  // the file was cut short while it played
        }
        pieceStart = pieceEnd;
    }
    return done;
}

std::optional<SoundLayout> readSoundLayout(const SoundBytes& file)
{
    const QByteArray head = file.read(0, 12);
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return waveLayout(file);
    if (head.startsWith("OggS") && head.size() > 4 && head[4] == 0)
        return SoundLayout{SoundFormat::Ogg, {fileRange(0, file.size())}};
    const std::optional<qint64> start = skipLeadingTags(file);
    if (!start)
        return std::nullopt;
    if (file.read(*start, 4) == "fLaC")
        return flacLayout(file, *start);
    return mp3Layout(file, *start);
}

}  // namespace keysound::audio
