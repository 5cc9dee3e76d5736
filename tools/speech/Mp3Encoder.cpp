#include "speech/Mp3Encoder.h"

#include "platform/Error.h"
#include "speech/SpeechText.h"

#include <lame/lame.h>
#include <memory>

namespace keysound::speech {

namespace {

// Variable bit rate lets the first frames take the bits the sudden start of a word needs; at a
// low fixed rate they are starved and the word fades in. V5 keeps speech clear at about 40 kbit/s.
constexpr int VbrQuality = 5;
constexpr int AlgorithmQuality = 2;  // the slower, better search: a key sound is short

struct LameClose {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using Encoder = std::unique_ptr<lame_global_flags, LameClose>;

[[noreturn]] void throwEncodingFailure(int code)
{
    throw Error(ErrorNumber::SpeechFailed, SpeechText::tr("The MP3 encoder LAME failed (error %1).").arg(code));
}

Encoder openEncoder(const Mp3Layout& layout)
{
    Encoder encoder(lame_init());
    if (!encoder)
        throwEncodingFailure(-1);
    lame_global_flags* flags = encoder.get();
    lame_set_num_channels(flags, layout.channels);
    lame_set_mode(flags, layout.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_in_samplerate(flags, layout.sampleRate);
    lame_set_out_samplerate(flags, layout.outputRate);
    lame_set_VBR(flags, vbr_default);
    lame_set_VBR_q(flags, VbrQuality);
    lame_set_quality(flags, AlgorithmQuality);
    lame_set_bWriteVbrTag(flags, 1);
    lame_set_write_id3tag_automatic(flags, 0);  // the info frame must be the file's first bytes
    if (const int code = lame_init_params(flags); code < 0)
        throwEncodingFailure(code);
    return encoder;
}

// LAME leaves an empty frame at the start for the info frame, which it can fill in only once it
// has seen every sample.
void writeInfoFrame(lame_global_flags* flags, QByteArray& mp3)
{
    const size_t size = lame_get_lametag_frame(flags, nullptr, 0);
    auto* start = reinterpret_cast<unsigned char*>(mp3.data());
    if (size == 0 || size > size_t(mp3.size()) || lame_get_lametag_frame(flags, start, size) != size)
        throw Error(ErrorNumber::SpeechFailed,
                    SpeechText::tr("The MP3 encoder LAME wrote no info frame, so players would "
                                   "start the sound late."));
}

// Mono goes in as both channels of one call, stereo interleaved (LAME does not write to it).
int encodeSamples(lame_global_flags* flags, std::span<const int16_t> samples, int channels, unsigned char* out,
                  int outSize)
{
    const int frames = int(samples.size()) / channels;
    if (channels == 1)
        return lame_encode_buffer(flags, samples.data(), samples.data(), frames, out, outSize);
    return lame_encode_buffer_interleaved(flags, const_cast<short*>(samples.data()), frames, out, outSize);
}

}  // namespace

QByteArray encodeMp3(std::span<const int16_t> samples, const Mp3Layout& layout)
{
    const Encoder encoder = openEncoder(layout);
    const int count = int(samples.size());
    // LAME's own bound for one call: 1.25 bytes per sample and 7200 more.
    QByteArray mp3(count + count / 4 + 7200, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(mp3.data());
    const int encoded = encodeSamples(encoder.get(), samples, layout.channels, out, int(mp3.size()));
    if (encoded < 0)
        throwEncodingFailure(encoded);
    const int flushed = lame_encode_flush(encoder.get(), out + encoded, int(mp3.size()) - encoded);
    if (flushed < 0)
        throwEncodingFailure(flushed);
    mp3.truncate(encoded + flushed);
    writeInfoFrame(encoder.get(), mp3);
    return mp3;
}

}  // namespace keysound::speech
