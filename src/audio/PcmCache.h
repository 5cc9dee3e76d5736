#pragma once

#include "audio/SoundDecoder.h"
#include "platform/FileIdentity.h"

#include <QHash>

namespace keysound::audio {

// The decoded sounds keysound holds, by the identity of the file they were decoded from: a file
// replaced or rewritten since is another file and is decoded again. Their PCM stays within a budget;
// past it the sound played least recently goes first. Verdicts without PCM cost nothing and stay.
class PcmCache {
public:
    // 96 MiB: some nine minutes of sound, so a table of several hundred key sounds is held whole,
    // while the program stays small beside the rest of a lab machine's work.
    static constexpr qint64 DefaultBudgetBytes = qint64(96) << 20;

    explicit PcmCache(qint64 budgetBytes = DefaultBudgetBytes);

    const DecodedSound* find(const platform::FileIdentity& identity) const;
    // Keeps what decoding found, unless it says nothing of the file itself (no decoder could run).
    void keep(const platform::FileIdentity& identity, const DecodedSound& sound);
    // The sound was played now: it is the last to go.
    void markPlayed(const platform::FileIdentity& identity);
    qint64 heldBytes() const { return heldBytes_; }

private:
    struct Entry {
        DecodedSound sound;
        quint64 lastPlayed = 0;
    };
    void evictBeyondBudget();

    qint64 budgetBytes_;
    qint64 heldBytes_ = 0;
    quint64 plays_ = 0;
    QHash<platform::FileIdentity, Entry> entries_;
};

}  // namespace keysound::audio
