#include "audio/ShortPath.h"

#include "platform/AnsiText.h"
#include "platform/AppFolder.h"

#include <QFile>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace keysound::audio {

namespace {

bool sameEntry(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Sound folders held open, so that a file in a folder of any depth has a short name through the
// folder's descriptor. The same folder keeps its descriptor, so a stop names what play started.
// A run meets few folders; the table is emptied if it ever grows large.
class HeldFolders {
public:
    ~HeldFolders() { closeAll(); }

    int descriptorOf(const QByteArray& folder)
    {
        struct stat current {};
        if (::stat(folder.constData(), &current) != 0)
            return -1;
        auto held = folders_.find(folder);
        if (held != folders_.end() && sameEntry(held->second.identity, current))
            return held->second.descriptor;
        if (held != folders_.end()) {
            ::close(held->second.descriptor);  // replaced by another folder of the same name
            folders_.erase(held);
        }
        if (folders_.size() >= MaxHeld)
            closeAll();
        const int descriptor = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (descriptor >= 0)
            folders_[folder] = {descriptor, current};
        return descriptor;
    }

private:
    static constexpr size_t MaxHeld = 64;
    struct Held {
        int descriptor;
        struct stat identity;
    };

    void closeAll()
    {
        for (const auto& [folder, held] : folders_)
            ::close(held.descriptor);
        folders_.clear();
    }

    std::map<QByteArray, Held> folders_;
};

// "/proc/self/fd/<folder descriptor>/<name>": opens the same file as the long path, whatever its length.
QByteArray aliasThroughHeldFolder(const QByteArray& nativePath, const struct stat& entry)
{
    // Held for the whole process: the aliases handed out name its descriptors. User-interface thread only.
    static HeldFolders heldFolders;
    const qsizetype slash = nativePath.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : nativePath.left(slash);
    const int descriptor = heldFolders.descriptorOf(folder);
    if (descriptor < 0)
        return {};
    const QByteArray alias = "/proc/self/fd/" + QByteArray::number(descriptor) + '/' + nativePath.mid(slash + 1);
    struct stat aliased {};
    return ::stat(alias.constData(), &aliased) == 0 && sameEntry(aliased, entry) ? alias : QByteArray();
}
}  // namespace

int getShortPathName(const QByteArray& longPathAnsi, char* buffer, int bufferLength)
{
    const QByteArray path = platform::asCString(longPathAnsi);
    if (buffer == nullptr || path.isEmpty())
        return 0;
    const QByteArray nativePath = QFile::encodeName(platform::nativePath(platform::fromAnsi(path)));
    struct stat entry {};
    if (::stat(nativePath.constData(), &entry) != 0)
        return 0;
    const QByteArray shortForm = path.size() < bufferLength ? path : aliasThroughHeldFolder(nativePath, entry);
    if (shortForm.isEmpty() || shortForm.size() >= bufferLength)
        return 0;
    std::memcpy(buffer, shortForm.constData(), size_t(shortForm.size()));
    buffer[shortForm.size()] = '\0';
    return int(shortForm.size());
}

}  // namespace keysound::audio
