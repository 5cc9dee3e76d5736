#pragma once

#include "audio/CommandService.h"
#include "platform/AnsiText.h"

#include <QStringList>

namespace keysound::test {

// Records every media command as text instead of playing it.
class RecordingCommandService : public audio::CommandService {
public:
    void sendString(const QByteArray& ansiCommand) override { commands << platform::fromAnsi(ansiCommand); }
    QStringList commands;
};

}  // namespace keysound::test
