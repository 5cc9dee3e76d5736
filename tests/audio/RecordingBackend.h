#pragma once

#include "audio/PlaybackBackend.h"

#include <QStringList>

// Remembers every call as "play <path>" / "stop <path>", in order.
class RecordingBackend : public keysound::audio::PlaybackBackend {
public:
    void play(const QString& pathText) override { calls << QStringLiteral("play|") + pathText; }
    void stop(const QString& pathText) override { calls << QStringLiteral("stop|") + pathText; }

    QStringList calls;
};
