#include "audio/Pcm.h"

#include "audio/DecodeProtocol.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keysound::audio {

namespace {
constexpr int AllSeals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL;
const int16_t NoSamples[decodeprotocol::Channels] = {};
}  // namespace

std::shared_ptr<const Pcm> Pcm::adopt(int memoryFile, qint64 frames, qint64 maxFrames)
{
    struct stat info {};
    const qint64 bytes = frames * decodeprotocol::BytesPerFrame;
    const bool sized = frames >= 0 && frames <= maxFrames && ::fstat(memoryFile, &info) == 0 && info.st_size == bytes;
    // Sealing writes fails while anybody still holds a writable mapping of it.
    const bool sealed = sized && (::fcntl(memoryFile, F_ADD_SEALS, AllSeals) == 0 || errno == EPERM) &&
                        (::fcntl(memoryFile, F_GET_SEALS) & AllSeals) == AllSeals;
    if (!sealed) {
        ::close(memoryFile);
        return nullptr;
    }
    if (bytes == 0)
        return std::shared_ptr<const Pcm>(new Pcm(memoryFile, NoSamples, 0));
    void* mapped = ::mmap(nullptr, size_t(bytes), PROT_READ, MAP_SHARED, memoryFile, 0);
    if (mapped == MAP_FAILED) {
        ::close(memoryFile);
        return nullptr;
    }
    return std::shared_ptr<const Pcm>(new Pcm(memoryFile, static_cast<const int16_t*>(mapped), frames));
}

Pcm::Pcm(int memoryFile, const int16_t* samples, qint64 frames)
    : memoryFile_(memoryFile)
    , samples_(samples)
    , frames_(frames)
{}

Pcm::~Pcm()
{
    if (frames_ > 0)
        ::munmap(const_cast<int16_t*>(samples_), size_t(bytes()));
    ::close(memoryFile_);
}

qint64 Pcm::bytes() const { return frames_ * decodeprotocol::BytesPerFrame; }

}  // namespace keysound::audio
