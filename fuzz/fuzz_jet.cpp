// The reading process's work on arbitrary bytes: what it writes must always be a stream that
// keysound accepts (a database or a failure record). Crashes inside libmdb are what the reading
// process exists for; the fuzz script keeps every one as a damaged sample for the tests.
#include "store/legacy/JetReader.h"
#include "store/legacy/JetStream.h"

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("jet", 0);
    if (fd < 0 || write(fd, data, size) != ssize_t(size))
        __builtin_trap();
    QByteArray stream;
    const bool whole = keysound::store::writeJetStream(QStringLiteral("/proc/self/fd/%1").arg(fd),
                                                       [&](const QByteArray& bytes) { stream.append(bytes); });
    close(fd);
    const auto parsed = keysound::store::jetstream::parse(stream);
    if (!parsed || parsed->database.has_value() != whole)
        __builtin_trap();
    return 0;
}
