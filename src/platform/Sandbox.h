#pragma once

#include <initializer_list>

namespace keysound::platform {

// Called by a helper program on itself, once it has everything it needs open and before it reads a
// byte of untrusted input: from then on the kernel kills the process at any system call outside
// `allowed` (SIGSYS), whatever a damaged input makes its libraries attempt. False when the filter
// could not be set; the helper must then not go on.
bool enterSandbox(std::initializer_list<int> allowedSystemCalls);

}  // namespace keysound::platform
