#include "speech/SpeechSynthesizer.h"

#include "platform/Error.h"
#include "speech/SpeechText.h"

#include <espeak-ng/espeak_ng.h>

namespace keysound::speech {

namespace {

// The speed of the program's own sample sounds, a little slower than espeak-ng's 175, so that a
// single word is clear.
constexpr int WordsPerMinute = 160;

// espeak-ng's one engine per process calls back here, without a context: where speak() collects.
Samples* collected = nullptr;

int collectSamples(short* samples, int count, espeak_EVENT*)
{
    if (samples != nullptr && collected != nullptr)
        collected->insert(collected->end(), samples, samples + count);
    return 0;
}

QString statusText(espeak_ng_STATUS status)
{
    char text[512] = {};
    espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

QString dataPath()
{
    const char* path = nullptr;
    espeak_Info(&path);
    return path != nullptr ? QString::fromLocal8Bit(path) : QString();
}

[[noreturn]] void throwStartFailure(espeak_ng_STATUS status)
{
    throw Error(ErrorNumber::SpeechFailed,
                SpeechText::tr("The speech engine espeak-ng could not start with its data from "
                               "\"%1\"; is espeak-ng-data installed? (espeak-ng: %2)")
                    .arg(dataPath(), statusText(status)));
}

// Characters are read by name through SSML, the way espeak-ng reads a character it is asked to spell.
QByteArray markup(const Utterance& utterance)
{
    if (utterance.reading == Reading::Words)
        return utterance.text.toUtf8();
    return QStringLiteral("<speak><say-as interpret-as=\"characters\">%1</say-as></speak>")
        .arg(utterance.text.toHtmlEscaped())
        .toUtf8();
}

}  // namespace

SpeechSynthesizer& SpeechSynthesizer::instance()
{
    static SpeechSynthesizer synthesizer;  // espeak-ng's engine is one per process
    return synthesizer;
}

SpeechSynthesizer::SpeechSynthesizer()
{
    // ESPEAK_DATA_PATH when set, else the data folder built into the library (Debian's espeak-ng-data).
    espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    if (status == ENS_OK)
        status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr);
    if (status != ENS_OK)
        throwStartFailure(status);
    espeak_SetSynthCallback(collectSamples);
}

void SpeechSynthesizer::useVoice(const QString& voice)
{
    if (voice == voice_)
        return;
    voice_.clear();
    const espeak_ng_STATUS status = espeak_ng_SetVoiceByName(voice.toUtf8().constData());
    if (status == ENS_VOICE_NOT_FOUND)
        throw Error(ErrorNumber::InvalidArgument, SpeechText::tr("espeak-ng has no voice \"%1\".").arg(voice));
    if (status != ENS_OK)
        throw Error(ErrorNumber::SpeechFailed,
                    SpeechText::tr("espeak-ng could not load the voice \"%1\": %2.").arg(voice, statusText(status)));
    espeak_ng_SetParameter(espeakRATE, WordsPerMinute, 0);
    voice_ = voice;
}

Speech SpeechSynthesizer::speak(const Utterance& utterance)
{
    useVoice(utterance.voice);
    const QByteArray text = markup(utterance);
    const unsigned flags = espeakCHARS_UTF8 | (utterance.reading == Reading::Characters ? espeakSSML : 0);
    Speech speech{{}, espeak_ng_GetSampleRate()};
    collected = &speech.samples;
    const espeak_ng_STATUS status =
        espeak_ng_Synthesize(text.constData(), text.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, nullptr);
    collected = nullptr;
    if (status != ENS_OK)
        throw Error(ErrorNumber::SpeechFailed,
                    SpeechText::tr("espeak-ng could not speak \"%1\" with the voice \"%2\": %3.")
                        .arg(utterance.text, utterance.voice, statusText(status)));
    return speech;
}

}  // namespace keysound::speech
