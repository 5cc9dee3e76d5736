// keysound-jet-reader: reads a legacy Jet file with libmdb and writes its tables to stdout as a
// stream keysound checks. It runs apart from keysound because libmdb is not safe on damaged files.
#include "store/legacy/JetReader.h"

#include <QFile>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // keysound-jet-reader -- FILE
    if (argc != 3 || std::strcmp(argv[1], "--") != 0) {
        std::fputs("usage: keysound-jet-reader -- FILE.mdb\n", stderr);
        return 2;
    }
    const auto toStdout = [](const QByteArray& bytes) { std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout); };
    const bool whole = keysound::store::writeJetStream(QFile::decodeName(argv[2]), toStdout);
    return std::fflush(stdout) == 0 && whole ? 0 : 1;
}
