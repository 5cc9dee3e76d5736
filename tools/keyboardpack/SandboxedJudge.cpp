// The one place that reaches keysound's sandboxed decoder.
#include "SoundJudge.h"

#include "KeyboardPackText.h"
#include "SpriteSlices.h"

#if __has_include("audio/SoundDecoder.h")
#include "audio/SoundDecoder.h"
#define KEYSOUND_DECODER_RETURNS_SAMPLES 1
#else
#include "audio/SoundChecker.h"
#define KEYSOUND_DECODER_RETURNS_SAMPLES 0
#endif

namespace keysound::keyboardpack {

namespace {

#if KEYSOUND_DECODER_RETURNS_SAMPLES
static_assert(audio::PcmFormat::Frequency == PcmFrequency && audio::PcmFormat::Channels == PcmChannels);

class SandboxedJudge : public SoundJudge {
public:
    std::optional<QString> problemWith(const QString& nativePath) override { return decoder_.problemWith(nativePath); }

    DecodedPcm decode(const QString& nativePath) override
    {
        const audio::DecodedSound sound = decoder_.decodeNow(nativePath);
        if (!sound.pcm)
            return {.problem = decoder_.problemWith(nativePath).value_or(KeyboardPack::tr("it decodes to nothing")),
                    .owner = {},
                    .samples = {}};
        return {.problem = {},
                .owner = sound.pcm,
                .samples = {sound.pcm->samples(), size_t(sound.pcm->frames() * PcmChannels)}};
    }

private:
    audio::SoundDecoder decoder_;
};
#else
// Until the decoder child returns samples, a sound can only be judged, not cut.
class SandboxedJudge : public SoundJudge {
public:
    std::optional<QString> problemWith(const QString& nativePath) override { return checker_.problemWith(nativePath); }

    DecodedPcm decode(const QString&) override
    {
        return {.problem = KeyboardPack::tr("this build has no decoder that returns a sound's samples"),
                .owner = {},
                .samples = {}};
    }

private:
    audio::SoundChecker checker_;
};
#endif

}  // namespace

std::unique_ptr<SoundJudge> sandboxedJudge() { return std::make_unique<SandboxedJudge>(); }

bool sandboxedJudgeDecodes() { return KEYSOUND_DECODER_RETURNS_SAMPLES; }

}  // namespace keysound::keyboardpack
