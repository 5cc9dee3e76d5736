#include "SeedFile.h"

#include "DbToolText.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <cstring>
#include <utility>

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

SeedTextReader::SeedTextReader(QString path, qsizetype maxLineBytes, std::function<void(SeedMapping)> onMapping)
    : path_(std::move(path))
    , maxLineBytes_(maxLineBytes)
    , onMapping_(std::move(onMapping))
{}

void SeedTextReader::add(const char* data, qsizetype size)
{
    for (const char* end = data + size; data < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(data, '\n', size_t(end - data)));
        const char* pieceEnd = lineEnd ? lineEnd : end;
        if (pending_.size() + (pieceEnd - data) > maxLineBytes_)
            throwSeedError(path_, lineNumber_ + 1,
                           DbToolText::tr("the line is longer than the %1 bytes a line may have").arg(maxLineBytes_));
        pending_.append(data, pieceEnd - data);
        data = pieceEnd;
        if (lineEnd) {
            takeLine(std::exchange(pending_, {}));
            ++data;
        }
    }
}

void SeedTextReader::finish()
{
    if (!pending_.isEmpty())
        takeLine(std::exchange(pending_, {}));
}

// A line never splits a UTF-8 sequence: the line feed is no part of one.
void SeedTextReader::takeLine(QByteArray bytes)
{
    ++lineNumber_;
    // Every U+FEFF is kept as read; only the file's own byte-order mark is dropped below.
    using Flag = QStringDecoder::Flag;
    QStringDecoder utf8(QStringDecoder::Utf8, Flag::Stateless | Flag::ConvertInitialBom);
    QString line = utf8(bytes);
    if (utf8.hasError())
        throw Error(ErrorNumber::InvalidArgument,
                    DbToolText::tr("The seed file \"%1\" is not UTF-8 text.").arg(QDir::toNativeSeparators(path_)));
    if (lineNumber_ == 1 && line.startsWith(ByteOrderMark))  // the file's own, not part of the first key
        line.remove(0, 1);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    if ((line.trimmed().isEmpty() && !line.contains(QLatin1Char('\t'))) || line.startsWith(QLatin1Char('#')))
        return;
    onMapping_(parseLine(path_, lineNumber_, line));
}

QList<SeedMapping> parseSeedText(const QByteArray& bytes, const QString& path)
{
    QList<SeedMapping> mappings;
    SeedTextReader reader(path, bytes.size(), [&](SeedMapping mapping) { mappings.append(std::move(mapping)); });
    reader.add(bytes.constData(), bytes.size());
    reader.finish();
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
