#include "audio/SoundPlayer.h"

#include "audio/SoundLayout.h"
#include "platform/AppFolder.h"

namespace keysound::audio {

SoundPlayer::SoundPlayer(SoundOutput& output, SoundDecoder& decoder, qint64 budgetBytes)
    : output_(output)
    , decoder_(decoder)
    , cache_(budgetBytes)
{}

// The decoder is started by the first decode, which the table's sounds start once the window shows.
void SoundPlayer::warmUp() { output_.warmUp(); }

// A file that is missing, no file, or no playable sound leaves whatever plays now playing.
void SoundPlayer::play(const QString& pathText)
{
    pending_.reset();
    const std::shared_ptr<SoundFile> file = SoundFile::open(platform::nativePath(pathText));
    if (!file)
        return;
    if (const DecodedSound* held = heldOrKnown(*file)) {
        start(pathText, file, *held);
        return;
    }
    pending_ = Pending{pathText, file->identity()};
    output_.warmUp();  // open by the time the sound is decoded
    decoder_.decode(file, false, [self = std::weak_ptr(self_), file, pathText](const DecodedSound& sound) {
        const auto player = self.lock();
        if (!player)
            return;
        SoundPlayer& me = **player;
        me.cache_.keep(file->identity(), sound);
        if (me.pending_ && me.pending_->pathText == pathText && me.pending_->identity == file->identity()) {
            me.pending_.reset();
            me.start(pathText, file, sound);
        }
    });
}

// A file that is no MP3, WAV, Ogg or FLAC is known at once, without a decoder.
const DecodedSound* SoundPlayer::heldOrKnown(const SoundFile& file)
{
    if (const DecodedSound* held = cache_.find(file.identity()))
        return held;
    if (readSoundLayout(file))
        return nullptr;
    DecodedSound notASound;
    notASound.verdict.kind = SoundVerdict::Kind::NotASound;
    cache_.keep(file.identity(), notASound);
    return cache_.find(file.identity());
}

void SoundPlayer::start(const QString& pathText, const std::shared_ptr<SoundFile>& file, const DecodedSound& sound)
{
    if (!sound.verdict.isPlayable())
        return;
    cache_.markPlayed(file->identity());
    if (sound.pcm) {
        output_.play(sound.pcm, pathText);
    } else if (std::unique_ptr<PcmStream> stream = decoder_.stream(file, sound.streamFrames)) {
        output_.play(std::move(stream), pathText);
    }
}

void SoundPlayer::stop(const QString& pathText)
{
    if (pending_ && pending_->pathText == pathText)
        pending_.reset();
    if (output_.currentTag() == pathText)
        output_.stop();
}

QString SoundPlayer::playingPath() const { return output_.currentTag(); }

void SoundPlayer::decodeAhead(const QStringList& pathTexts)
{
    ahead_.assign(pathTexts.cbegin(), pathTexts.cend());
    if (!aheadRunning_)
        decodeNextAhead();
}

void SoundPlayer::decodeNextAhead()
{
    while (!ahead_.empty()) {
        const QString pathText = ahead_.front();
        ahead_.pop_front();
        const std::shared_ptr<SoundFile> file = SoundFile::open(platform::nativePath(pathText));
        if (!file || heldOrKnown(*file))
            continue;
        aheadRunning_ = true;
        decoder_.decode(file, true, [self = std::weak_ptr(self_), file](const DecodedSound& sound) {
            const auto player = self.lock();
            if (!player)
                return;
            (*player)->cache_.keep(file->identity(), sound);
            (*player)->aheadRunning_ = false;
            (*player)->decodeNextAhead();
        });
        return;
    }
}

}  // namespace keysound::audio
