#pragma once

#include "speech/SoundShaping.h"
#include "speech/Utterance.h"

#include <QString>

namespace keysound::speech {

// Spoken samples as espeak-ng makes them: 16-bit mono at the voice's own rate (22,050 Hz for
// espeak-ng's own voices).
struct Speech {
    Samples samples;
    int sampleRate = 0;
};

// Speaks utterances with libespeak-ng, synchronously, into memory.
// espeak-ng keeps its state in process globals: there is one synthesizer per process, set up at
// its first use, and it must be used from one thread at a time.
class SpeechSynthesizer {
public:
    // Throws keysound::Error when espeak-ng or its data (espeak-ng-data) cannot be loaded.
    static SpeechSynthesizer& instance();

    // Throws keysound::Error for a voice espeak-ng does not have or a failed synthesis.
    Speech speak(const Utterance& utterance);

    SpeechSynthesizer(const SpeechSynthesizer&) = delete;
    SpeechSynthesizer& operator=(const SpeechSynthesizer&) = delete;

private:
    SpeechSynthesizer();
    void useVoice(const QString& voice);

    QString voice_;  // loading a voice reads its dictionary, so it is changed only when it differs
};

}  // namespace keysound::speech
