#pragma once

#include <functional>

namespace keysound::test {

// Runs work in a forked child of the test and kills it (SIGKILL, as a crash or a shutdown would)
// as soon as moment() holds, which the parent asks again and again while the child works. The child
// ends with _exit() and never returns into the test. Returns whether the child was killed, rather
// than having ended before the moment came; a child still at work after a generous deadline is
// killed too and counts as not having reached the moment.
bool killChildWhen(const std::function<void()>& work, const std::function<bool()>& moment);

// Runs work (which ends with _exit()) in a forked child, for what a test may not do to itself (take
// another user id), and returns its exit status; -1 when it did not exit normally.
int exitStatusOfChild(const std::function<void()>& work);

}  // namespace keysound::test
