#pragma once

#include "audio/PcmCache.h"
#include "audio/PlaybackBackend.h"
#include "audio/SoundDecoder.h"
#include "audio/SoundOutput.h"

#include <QStringList>
#include <deque>
#include <optional>

namespace keysound::audio {

// Plays a key's sound from PCM decoded ahead: the table's sounds are decoded in the background, one
// at a time at the lowest priority, so that a key finds its sound ready. A key whose sound is not
// ready yet is decoded at once, beside that work, and sounds as soon as it is, unless a newer key
// came first. A sound too long to hold streams from its decoder as it plays. Only the file opened
// and decoded is played: a file replaced or rewritten since is another file and is decoded again.
class SoundPlayer : public PlaybackBackend {
public:
    SoundPlayer(SoundOutput& output, SoundDecoder& decoder, qint64 budgetBytes = PcmCache::DefaultBudgetBytes);

    // Opens the output ahead of the first key.
    void warmUp();
    // Decodes these sounds (path texts) in this order in the background, instead of any still
    // waiting; sounds already held are skipped.
    void decodeAhead(const QStringList& pathTexts);
    int soundsWaitingToDecode() const { return int(ahead_.size()) + (aheadRunning_ ? 1 : 0); }

    void play(const QString& pathText) override;
    void stop(const QString& pathText) override;
    // The path text of the sound playing (or about to) now; empty once it has ended or been stopped.
    QString playingPath() const;
    const PcmCache& cache() const { return cache_; }

private:
    // The key's sound while it is decoded.
    struct Pending {
        QString pathText;
        platform::FileIdentity identity;
    };
    // What is known of the file without decoding it now; null when it must be decoded.
    const DecodedSound* heldOrKnown(const SoundFile& file);
    void start(const QString& pathText, const std::shared_ptr<SoundFile>& file, const DecodedSound& sound);
    void decodeNextAhead();

    SoundOutput& output_;
    SoundDecoder& decoder_;
    PcmCache cache_;
    std::optional<Pending> pending_;
    std::deque<QString> ahead_;
    bool aheadRunning_ = false;
    std::shared_ptr<SoundPlayer*> self_ = std::make_shared<SoundPlayer*>(this);  // for late decodes
};

}  // namespace keysound::audio
