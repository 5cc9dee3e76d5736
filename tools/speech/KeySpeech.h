#pragma once

#include "speech/SoundFileWriter.h"

#include <QByteArray>
#include <QString>

// Key sounds spoken by a synthesizer: a key text becomes a short MP3 that says it. The engine
// under `keysound-db speak`; it shares espeak-ng's limits (see SpeechSynthesizer): one thread.
namespace keysound::speech {

struct SpeakOptions {
    QString voice;  // an espeak-ng voice for every key; empty: chosen for each key (chooseUtterance)
    ExistingFile existing = ExistingFile::Keep;
};

// The key sound of a key text as the bytes of an MP3 file. Throws keysound::Error: InvalidArgument
// for a key text with nothing to say or a voice espeak-ng does not have, SpeechFailed when
// espeak-ng or the encoder fails or nothing audible was spoken.
QByteArray speakKeyAsMp3(const QString& keyText, const QString& voice = {});

// Speaks a key text into the MP3 file at a native path; a file that is kept is not spoken again.
// Throws keysound::Error as speakKeyAsMp3 and writeSoundFile do.
WriteOutcome speakKeyToFile(const QString& keyText, const QString& mp3Path, const SpeakOptions& options = {});

}  // namespace keysound::speech
