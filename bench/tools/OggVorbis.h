#pragma once

#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>
#include <vorbis/vorbisenc.h>

// Ogg Vorbis files made by the benchmarks themselves, through libvorbisenc.
namespace keysound::test {

// Interleaved 16-bit stereo samples at 44100 Hz as an Ogg Vorbis file.
inline QByteArray oggVorbisOf(std::span<const int16_t> samples)
{
    QByteArray file;
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, 2, 44100, 0.6f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_page page;
    const auto writePages = [&](int (*next)(ogg_stream_state*, ogg_page*)) {
        while (next(&stream, &page)) {
            file.append(reinterpret_cast<const char*>(page.header), page.header_len);
            file.append(reinterpret_cast<const char*>(page.body), page.body_len);
        }
    };
    ogg_packet header, commentHeader, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codebooks);
    for (ogg_packet* packet : {&header, &commentHeader, &codebooks})
        ogg_stream_packetin(&stream, packet);
    writePages(ogg_stream_flush);

    const int frames = int(samples.size() / 2);
    float** buffer = vorbis_analysis_buffer(&dsp, frames);
    for (int frame = 0; frame < frames; ++frame) {
        buffer[0][frame] = float(samples[size_t(2 * frame)]) / 32768.0f;
        buffer[1][frame] = float(samples[size_t(2 * frame + 1)]) / 32768.0f;
    }
    vorbis_analysis_wrote(&dsp, frames);
    vorbis_analysis_wrote(&dsp, 0);  // the end
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            writePages(ogg_stream_pageout);
        }
    }
    writePages(ogg_stream_flush);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return file;
}

// A rising sweep, seconds long, at half of full scale: no two places of it sound alike, so a
// slice cut in the wrong place does not match the place it should come from.
inline std::vector<int16_t> sweep(double seconds)
{
    constexpr double Pi = 3.14159265358979323846;
    std::vector<int16_t> samples;
    for (int frame = 0; frame < int(seconds * 44100); ++frame) {
        const double t = frame / 44100.0;
        const double value = 0.5 * std::sin(2 * Pi * (200 * t + 1000 * t * t));
        samples.insert(samples.end(), {int16_t(value * 32767), int16_t(value * 0.8 * 32767)});
    }
    return samples;
}

}  // namespace keysound::test
