#pragma once

#include <QByteArray>

namespace keysound::audio {

// The media command-string service: "play <path>" and "stop <path>", as 8-bit text.
// Everything after the verb and its one blank is the path (no quoting, no other keywords).
// Unknown verbs and empty paths do nothing and report nothing; results are never returned.
class CommandService {
public:
    virtual ~CommandService() = default;
    virtual void sendString(const QByteArray& ansiCommand) = 0;
};

}  // namespace keysound::audio
