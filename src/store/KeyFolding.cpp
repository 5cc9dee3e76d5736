#include "store/KeyFolding.h"

#include "store/EngineError.h"
#include "store/StoreText.h"

#include <QChar>
#include <QHash>
#include <sqlite3.h>

#include <algorithm>

namespace keysound::store {

namespace {

constexpr char32_t LastCasedCodePoint = 0x1FFFF;  // no letter with case lies beyond plane 1

bool isAscii(char32_t c) { return c < 0x80; }

using CaseClasses = QHash<char32_t, QList<char32_t>>;  // folded code point -> its class

CaseClasses buildCaseClasses()
{
    CaseClasses classes;
    for (char32_t c = 0x80; c <= LastCasedCodePoint; ++c) {
        const char32_t folded = foldKeyCodePoint(c);
        if (folded == c)
            continue;
        QList<char32_t>& members = classes[folded];
        if (members.isEmpty())
            members.append(folded);
        members.append(c);
    }
    for (QList<char32_t>& members : classes)
        std::sort(members.begin(), members.end());
    return classes;
}

const CaseClasses& caseClasses()
{
    static const CaseClasses classes = buildCaseClasses();
    return classes;
}

// UTF-8 in, UTF-8 out, one code point at a time: the lookup's fallback runs this on every row.
qsizetype decodeUtf8(const unsigned char* s, qsizetype size, qsizetype i, char32_t& c)
{
    const unsigned char lead = s[i];
    int length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (lead < 0xC0 || i + length > size) {
        c = lead;  // a stray byte passes through unchanged
        return 1;
    }
    c = lead & (0x3F >> (length - 1));
    for (int k = 1; k < length; ++k)
        c = (c << 6) | (s[i + k] & 0x3F);
    return length;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

QByteArray foldUtf8(const unsigned char* text, qsizetype size)
{
    QByteArray folded;
    folded.reserve(size);
    for (qsizetype i = 0; i < size;) {
        char32_t c = 0;
        const qsizetype length = decodeUtf8(text, size, i, c);
        if (length == 1 && !isAscii(c))
            folded.append(char(text[i]));
        else
            appendUtf8(folded, foldKeyCodePoint(c));
        i += length;
    }
    return folded;
}

void sqlFold(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = sqlite3_value_text(arguments[0]);
    const int size = sqlite3_value_bytes(arguments[0]);
    const QByteArray folded = foldUtf8(text, size);
    sqlite3_result_text64(context, folded.constData(), sqlite3_uint64(folded.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

}  // namespace

char32_t foldKeyCodePoint(char32_t codePoint)
{
    if (isAscii(codePoint))
        return (codePoint >= 'A' && codePoint <= 'Z') ? codePoint + ('a' - 'A') : codePoint;
    const char32_t folded = QChar::toCaseFolded(codePoint);
    return isAscii(folded) ? codePoint : folded;
}

QString foldKeyText(const QString& text)
{
    QList<uint> codePoints = text.toUcs4();
    for (uint& c : codePoints)
        c = foldKeyCodePoint(c);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codePoints.constData()), codePoints.size());
}

QList<char32_t> caseVariants(char32_t codePoint)
{
    if (!isAscii(codePoint)) {
        const auto found = caseClasses().constFind(foldKeyCodePoint(codePoint));
        if (found != caseClasses().constEnd())
            return *found;
    }
    return {codePoint};
}

void registerKeyFolding(sqlite3* db)
{
    const int rc =
        sqlite3_create_function_v2(db, KeyFoldFunction, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                   nullptr, sqlFold, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const QString action = StoreText::tr("registering the SQL function %1");
        throw engineError(db, rc, action.arg(QLatin1String(KeyFoldFunction)));
    }
}

}  // namespace keysound::store
