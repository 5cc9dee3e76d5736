#pragma once

#include <chrono>

namespace keysound::store {

// The time the engine's work on one database handle may take, chosen by the work: a statement runs
// from its first step to its last against the clock, and a parse (which may read the schema) too.
// The engine asks expired() as it works and stops the work when it says so.
class StatementClock {
public:
    explicit StatementClock(std::chrono::milliseconds limit)
        : limit_(limit)
    {}

    void setLimit(std::chrono::milliseconds limit) { limit_ = limit; }
    std::chrono::milliseconds limit() const { return limit_; }

    // One piece of work against the clock, while it lives. Nested runs (a statement stepped while
    // another is still running on the handle) share the outermost one's deadline.
    class Run {
    public:
        explicit Run(StatementClock& clock);
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        StatementClock& clock_;
    };

    // Whether work is running past its deadline; remembered for stoppedWork().
    bool expired();
    // Whether the last work the engine interrupted was stopped by this clock.
    bool stoppedWork() const { return stoppedWork_; }

private:
    using Clock = std::chrono::steady_clock;

    std::chrono::milliseconds limit_;
    Clock::time_point deadline_;
    int runs_ = 0;
    bool stoppedWork_ = false;
};

}  // namespace keysound::store
