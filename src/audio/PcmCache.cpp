#include "audio/PcmCache.h"

namespace keysound::audio {

namespace {
constexpr qsizetype MaxEntries = 8192;  // far more sounds than a table has
}

PcmCache::PcmCache(qint64 budgetBytes)
    : budgetBytes_(budgetBytes)
{}

const DecodedSound* PcmCache::find(const platform::FileIdentity& identity) const
{
    const auto it = entries_.constFind(identity);
    return it == entries_.constEnd() ? nullptr : &it->sound;
}

void PcmCache::keep(const platform::FileIdentity& identity, const DecodedSound& sound)
{
    if (!sound.verdict.isAboutTheFile())
        return;
    if (entries_.size() >= MaxEntries && !entries_.contains(identity)) {
        entries_.clear();
        heldBytes_ = 0;
    }
    Entry& entry = entries_[identity];
    heldBytes_ -= entry.sound.pcm ? entry.sound.pcm->bytes() : 0;
    entry.sound = sound;
    entry.lastPlayed = ++plays_;  // new sounds are the likeliest to be played next
    heldBytes_ += sound.pcm ? sound.pcm->bytes() : 0;
    evictBeyondBudget();
}

void PcmCache::markPlayed(const platform::FileIdentity& identity)
{
    const auto it = entries_.find(identity);
    if (it != entries_.end())
        it->lastPlayed = ++plays_;
}

// A sound that goes is decoded again when its key comes.
void PcmCache::evictBeyondBudget()
{
    while (heldBytes_ > budgetBytes_) {
        auto oldest = entries_.end();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->sound.pcm && (oldest == entries_.end() || it->lastPlayed < oldest->lastPlayed))
                oldest = it;
        }
        if (oldest == entries_.end())
            return;
        heldBytes_ -= oldest->sound.pcm->bytes();
        entries_.erase(oldest);
    }
}

}  // namespace keysound::audio
