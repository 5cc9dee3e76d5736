#include "SeedFile.h"

#include "DbToolText.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace keysound::tools {

namespace {

// Each escape and the character it stands for, used both ways.
constexpr std::pair<char16_t, char16_t> kEscapes[] = {
    {u't', u'\t'}, {u'n', u'\n'}, {u'r', u'\r'}, {u'\\', u'\\'}, {u'#', u'#'}};
// U+FEFF at the start of a file is taken for the file's byte-order mark: one that begins a key
// is written as this escape.
const QString ByteOrderMarkEscape = QStringLiteral("\\uFEFF");
constexpr char16_t ByteOrderMark = u'\uFEFF';

[[noreturn]] void throwSeedError(const QString& path, int line, const QString& why)
{
    throw Error(ErrorNumber::InvalidArgument,
                QStringLiteral("%1:%2: %3").arg(QDir::toNativeSeparators(path)).arg(line).arg(why));
}

SeedMapping parseLine(const QString& path, int number, const QString& line)
{
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() != 2) {
        const QString why = DbToolText::tr("expected \"key<TAB>file name\", found %1 tab(s)");
        throwSeedError(path, number, why.arg(fields.size() - 1));
    }
    const std::optional<QString> key = unescapeSeedField(fields.at(0));
    const std::optional<QString> fileName = unescapeSeedField(fields.at(1));
    if (!key || !fileName)
        throwSeedError(path, number, DbToolText::tr("a backslash must start one of \\t \\n \\r \\\\ \\# \\uFEFF"));
    if (fileName->isEmpty())
        throwSeedError(path, number, DbToolText::tr("the file name is empty"));
    return {*key, *fileName};
}

}  // namespace

QString escapeSeedField(const QString& text, bool leadsLine)
{
    QString escaped;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool leading = leadsLine && i == 0;
        const auto* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                          [&](const auto& e) { return e.second == c.unicode(); });
        if (leading && c == ByteOrderMark)
            escaped += ByteOrderMarkEscape;
        else if (escape != std::end(kEscapes) && (c != u'#' || leading))
            escaped += QLatin1Char('\\') + QChar(escape->first);
        else
            escaped += c;
    }
    return escaped;
}

std::optional<QString> unescapeSeedField(const QString& field)
{
    QString text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) != u'\\') {
            text += field.at(i);
            continue;
        }
        if (QStringView(field).mid(i).startsWith(ByteOrderMarkEscape, Qt::CaseInsensitive)) {
            text += QChar(ByteOrderMark);
            i += ByteOrderMarkEscape.size() - 1;
            continue;
        }
        const QChar code = i + 1 < field.size() ? field.at(++i) : QChar();
        const auto* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                          [&](const auto& e) { return e.first == code.unicode(); });
        if (escape == std::end(kEscapes) || code.isNull())
            return std::nullopt;
        text += QChar(escape->second);
    }
    return text;
}

QList<SeedMapping> readSeedFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(ErrorNumber::FileAccess, DbToolText::tr("Cannot read the seed file \"%1\": %2.")
                                                 .arg(QDir::toNativeSeparators(path), file.errorString()));
    return parseSeedText(file.readAll(), path);
}

QList<SeedMapping> parseSeedText(const QByteArray& bytes, const QString& path)
{
    // Every U+FEFF is kept as read; only the file's own byte-order mark is dropped below.
    using Flag = QStringDecoder::Flag;
    QStringDecoder utf8(QStringDecoder::Utf8, Flag::Stateless | Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    if (utf8.hasError())
        throw Error(ErrorNumber::InvalidArgument,
                    DbToolText::tr("The seed file \"%1\" is not UTF-8 text.").arg(QDir::toNativeSeparators(path)));
    if (text.startsWith(ByteOrderMark))  // the file's own, not part of the first key
        text.remove(0, 1);

    QList<SeedMapping> mappings;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if ((line.trimmed().isEmpty() && !line.contains(QLatin1Char('\t'))) || line.startsWith(QLatin1Char('#')))
            continue;
        mappings.append(parseLine(path, i + 1, line));
    }
    return mappings;
}

QByteArray seedFileText(const QList<SeedMapping>& mappings)
{
    QString text;
    for (const SeedMapping& mapping : mappings)
        text += escapeSeedField(mapping.key, true) + QLatin1Char('\t') + escapeSeedField(mapping.fileName, false) +
                QLatin1Char('\n');
    return text.toUtf8();
}

}  // namespace keysound::tools
