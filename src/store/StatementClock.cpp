#include "store/StatementClock.h"

namespace keysound::store {

StatementClock::Run::Run(StatementClock& clock)
    : clock_(clock)
{
    if (clock_.runs_++ == 0) {
        clock_.deadline_ = Clock::now() + clock_.limit_;
        clock_.stoppedWork_ = false;
    }
}

StatementClock::Run::~Run() { --clock_.runs_; }

bool StatementClock::expired()
{
    if (runs_ == 0 || Clock::now() <= deadline_)
        return false;
    stoppedWork_ = true;
    return true;
}

}  // namespace keysound::store
