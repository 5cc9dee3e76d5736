// The one place that reaches keysound's sandboxed decoder.
#include "SoundJudge.h"

#include "KeyboardPackText.h"
#include "SpriteSlices.h"

#include "audio/SoundDecoder.h"

namespace keysound::keyboardpack {

namespace {

// A sprite holds every key's sound, so it may be longer than one sound a key plays (64 MiB of PCM,
// six minutes); a longer one is refused rather than streamed, as it has to be cut.
constexpr qint64 HeldSpriteBytes = qint64(64) << 20;

class SandboxedJudge : public SoundJudge {
public:
    std::optional<QString> problemWith(const QString& nativePath) override { return decoder_.problemWith(nativePath); }

    DecodedPcm decode(const QString& nativePath) override
    {
        const audio::DecodedSound sound = decoder_.decodeNow(nativePath);
        if (!sound.verdict.isPlayable())
            return refused(audio::describeVerdict(sound.verdict));
        if (!sound.pcm)
            return refused(KeyboardPackText::tr("it lasts %1 s; a sound cut into keys may last %2 s at most")
                               .arg(qRound(sound.verdict.seconds()))
                               .arg(HeldSpriteBytes / audio::decodeprotocol::BytesPerFrame / PcmFrequency));
        return {.problem = {},
                .owner = sound.pcm,
                .samples = {sound.pcm->samples(), size_t(sound.pcm->frames() * PcmChannels)}};
    }

private:
    static DecodedPcm refused(const QString& why) { return {.problem = why, .owner = {}, .samples = {}}; }

    audio::SoundDecoder decoder_{HeldSpriteBytes};
};

}  // namespace

std::unique_ptr<SoundJudge> sandboxedJudge() { return std::make_unique<SandboxedJudge>(); }

}  // namespace keysound::keyboardpack
