#pragma once

#include "platform/Error.h"

#include <functional>
#include <optional>

namespace keysound::test {

// The error a call throws, or nothing when it succeeds.
inline std::optional<Error> errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

// The number of the error a call throws; 0 when it succeeds.
inline int errorNumberOf(const std::function<void()>& call)
{
    if (const auto error = errorOf(call))
        return error->number();
    return 0;
}

}  // namespace keysound::test
