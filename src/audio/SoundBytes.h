#pragma once

#include "platform/FileIdentity.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace keysound::audio {

// The bytes of a sound, read by position. Reads never move a shared offset, so the same source can
// be read by the window's thread, the mixer's thread and a checking process at once.
class SoundBytes {
public:
    virtual ~SoundBytes() = default;
    virtual qint64 size() const = 0;
    // Up to length bytes from offset; fewer at the end, 0 past it or on a read error.
    virtual qint64 readAt(qint64 offset, char* into, qint64 length) const = 0;

    QByteArray read(qint64 offset, qint64 length) const;
};

using platform::FileIdentity;

// An open regular file. Opening never blocks (a FIFO is refused, not waited on) and never follows
// the file's later renames: everything is read through the one descriptor.
class SoundFile : public SoundBytes {
public:
    enum class Refusal { Missing, NotAFile, Unreadable };
    // The file at a native path, or why it cannot be a sound file.
    static std::shared_ptr<SoundFile> open(const QString& nativePath, Refusal* refusal = nullptr);
    // Takes over a descriptor (the checking process gets its file this way).
    static std::shared_ptr<SoundFile> adopt(int descriptor);
    ~SoundFile() override;
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    qint64 size() const override { return identity_.size; }
    qint64 readAt(qint64 offset, char* into, qint64 length) const override;
    int descriptor() const { return descriptor_; }
    const FileIdentity& identity() const { return identity_; }

private:
    SoundFile(int descriptor, const FileIdentity& identity);
    int descriptor_;
    FileIdentity identity_;
};

// Bytes held in memory: for the fuzzing harness and for tests.
class MemoryBytes : public SoundBytes {
public:
    explicit MemoryBytes(QByteArray bytes)
        : bytes_(std::move(bytes))
    {}
    qint64 size() const override { return bytes_.size(); }
    qint64 readAt(qint64 offset, char* into, qint64 length) const override;

private:
    QByteArray bytes_;
};

}  // namespace keysound::audio
