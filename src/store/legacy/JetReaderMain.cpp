// keysound-jet-reader: reads a legacy Jet file with libmdb and writes its tables to stdout as a
// stream keysound checks. It runs apart from keysound because libmdb is not safe on damaged files.
#include "platform/Language.h"
#include "store/legacy/JetReader.h"
#include "store/legacy/LegacyImportText.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // Why a file cannot be read ends up in keysound's own message: in the language keysound speaks.
    QCoreApplication application(argc, argv);
    keysound::platform::installTranslations(keysound::platform::messageLanguage());
    // keysound-jet-reader -- FILE
    if (argc != 3 || std::strcmp(argv[1], "--") != 0) {
        const QString usage = keysound::store::LegacyImportText::tr("usage: keysound-jet-reader -- FILE.mdb");
        std::fprintf(stderr, "%s\n", qPrintable(usage));
        return 2;
    }
    const auto toStdout = [](const QByteArray& bytes) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    };
    const bool whole = keysound::store::writeJetStream(QFile::decodeName(argv[2]), toStdout);
    return std::fflush(stdout) == 0 && whole ? 0 : 1;
}
