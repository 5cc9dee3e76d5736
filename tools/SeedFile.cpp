#include "SeedFile.h"

#include "platform/Error.h"

#include <QFile>
#include <QStringDecoder>

namespace keysound::tools {

namespace {

[[noreturn]] void throwSeedError(const QString& path, int line, const QString& why)
{
    throw Error(ErrorNumber::InvalidArgument, QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(why));
}

}  // namespace

QList<SeedMapping> readSeedFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(ErrorNumber::FileAccess, QStringLiteral("Cannot read the seed file \"%1\": %2.").arg(path, file.errorString()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(file.readAll());
    if (utf8.hasError())
        throw Error(ErrorNumber::InvalidArgument, QStringLiteral("The seed file \"%1\" is not UTF-8 text.").arg(path));

    QList<SeedMapping> mappings;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 2)
            throwSeedError(path, i + 1, QStringLiteral("expected \"key<TAB>file name\", found %1 tab(s)").arg(fields.size() - 1));
        if (fields.at(1).isEmpty())
            throwSeedError(path, i + 1, QStringLiteral("the file name is empty"));
        mappings.append({fields.at(0), fields.at(1)});
    }
    return mappings;
}

}  // namespace keysound::tools
