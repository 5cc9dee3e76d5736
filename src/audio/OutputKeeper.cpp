#include "audio/OutputKeeper.h"

#include <QElapsedTimer>

namespace keysound::audio {

namespace {
qint64 monotonicMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}
}  // namespace

OutputKeeper::OutputKeeper(OutputDevice& device, KeeperTiming timing, Clock clock)
    : device_(device)
    , timing_(timing)
    , clock_(clock ? std::move(clock) : Clock(monotonicMs))
{}

bool OutputKeeper::prepareToPlay()
{
    silentSince_.reset();
    if (device_.isOpen() && !reopenWhenLost())
        return true;
    if (!retryIsDue())
        return false;
    if (device_.open()) {
        lastFailedOpen_.reset();
        return true;
    }
    lastFailedOpen_ = clock_();
    return false;
}

// True when the output was lost and has been closed, so that it is opened again at once.
bool OutputKeeper::reopenWhenLost()
{
    if (!device_.isLost())
        return false;
    device_.close(CloseReason::Lost);
    lastFailedOpen_.reset();
    return true;
}

bool OutputKeeper::retryIsDue() const
{
    return !lastFailedOpen_ || clock_() - *lastFailedOpen_ >= timing_.retryAfterFailureMs;
}

int OutputKeeper::checkIdle()
{
    if (!device_.isOpen())
        return -1;
    if (device_.isLost()) {
        device_.close(CloseReason::Lost);
        return -1;
    }
    if (device_.isSounding()) {
        silentSince_.reset();
        return timing_.soundingRecheckMs;
    }
    const qint64 now = clock_();
    if (!silentSince_)
        silentSince_ = now;
    const qint64 remaining = *silentSince_ + timing_.closeAfterSilenceMs - now;
    if (remaining > 0)
        return int(remaining);
    device_.close(CloseReason::Idle);
    silentSince_.reset();
    return -1;
}

}  // namespace keysound::audio
