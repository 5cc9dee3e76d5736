// The one place that reaches keysound's sandboxed decoder.
#include "SoundJudge.h"

#include "KeyboardPackText.h"
#include "audio/SoundChecker.h"

namespace keysound::keyboardpack {

namespace {

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

}  // namespace

std::unique_ptr<SoundJudge> sandboxedJudge() { return std::make_unique<SandboxedJudge>(); }

}  // namespace keysound::keyboardpack
