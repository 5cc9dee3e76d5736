#include "speech/KeySpeech.h"

#include "platform/Error.h"
#include "speech/Mp3Encoder.h"
#include "speech/SoundShaping.h"
#include "speech/SpeechSynthesizer.h"
#include "speech/SpeechText.h"
#include "speech/Utterance.h"

#include <QFileInfo>

namespace keysound::speech {

QByteArray speakKeyAsMp3(const QString& keyText, const QString& voice)
{
    const std::optional<Utterance> utterance = chooseUtterance(keyText, voice);
    if (!utterance)
        throw Error(ErrorNumber::InvalidArgument,
                    SpeechText::tr("The key text \"%1\" has nothing to say.").arg(keyText));
    const Speech speech = SpeechSynthesizer::instance().speak(*utterance);
    const Samples shaped = shapeKeySound(speech.samples, speech.sampleRate);
    if (shaped.empty())
        throw Error(ErrorNumber::SpeechFailed, SpeechText::tr("espeak-ng said nothing audible for the key text \"%1\" "
                                                              "with the voice \"%2\".")
                                                   .arg(keyText, utterance->voice));
    return encodeMp3(shaped, speech.sampleRate);
}

WriteOutcome speakKeyToFile(const QString& keyText, const QString& mp3Path, const SpeakOptions& options)
{
    const QFileInfo destination(mp3Path);
    if (options.existing == ExistingFile::Keep && (destination.exists() || destination.isSymLink()))
        return WriteOutcome::KeptExisting;
    return writeSoundFile(mp3Path, speakKeyAsMp3(keyText, options.voice), options.existing);
}

}  // namespace keysound::speech
