#include "audio/OutputRest.h"

#include "audio/SinkWaker.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstring>

namespace keysound::audio {

bool OutputRest::makeMixerStreamPassive()
{
    static bool madePassive = false;
    if (madePassive || qEnvironmentVariableIsSet("PIPEWIRE_PROPS"))
        return madePassive;
    qputenv("PIPEWIRE_PROPS", "node.passive=true");
    madePassive = true;
    return true;
}

OutputRest::WhenIdle OutputRest::whenIdle(const char* driver, bool mixerStreamPassive)
{
    if (driver == nullptr)
        return WhenIdle::UnloadDriver;
    if (std::strcmp(driver, "pipewire") == 0 && mixerStreamPassive)
        return WhenIdle::Rest;
    if (std::strcmp(driver, "alsa") == 0)
        return WhenIdle::UnloadDriver;
    return WhenIdle::CloseDevice;
}

std::unique_ptr<OutputRest> OutputRest::connect(int frequency, int bufferFrames)
{
    std::unique_ptr<SinkWaker> waker = SinkWaker::connect(frequency, bufferFrames);
    if (!waker)
        return nullptr;
    return std::unique_ptr<OutputRest>(new OutputRest(std::move(waker)));
}

OutputRest::OutputRest(std::unique_ptr<SinkWaker> waker)
    : waker_(std::move(waker))
{}

OutputRest::~OutputRest() = default;

void OutputRest::rest() { waker_->setActive(false); }

bool OutputRest::wake()
{
    if (waker_->isLost())
        return false;
    waker_->setActive(true);
    return true;
}

bool OutputRest::isLost() const { return waker_->isLost(); }

}  // namespace keysound::audio
