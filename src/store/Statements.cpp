#include "store/Statements.h"

#include "store/KeyFolding.h"

namespace keysound::store {

namespace {

// Up to this many spellings are listed for the index; beyond, index ranges filtered by folding.
constexpr int MaxEnumeratedSpellings = 128;
// The spelled-out prefixes of those ranges, one index search each.
constexpr int MaxRangePrefixes = 32;

const QString LookupColumns = QStringLiteral("SELECT * FROM Config WHERE ");

struct KeyShape {
    QList<char32_t> codePoints;
    QList<QList<char32_t>> variants;  // per code point; one entry where NOCASE already decides
    qint64 spellings = 1;             // capped just above MaxEnumeratedSpellings
};

KeyShape shapeOf(const QString& keyText)
{
    KeyShape shape;
    for (uint c : keyText.toUcs4()) {
        shape.codePoints.append(c);
        shape.variants.append(caseVariants(c));
        shape.spellings = std::min<qint64>(shape.spellings * shape.variants.back().size(), MaxEnumeratedSpellings + 1);
    }
    return shape;
}

QString fromCodePoints(const QList<char32_t>& codePoints)
{
    return QString::fromUcs4(codePoints.constData(), codePoints.size());
}

using CodePoints = QList<char32_t>;

QList<CodePoints> spellingsOf(const CodePoints& codePoints, const QList<CodePoints>& variants)
{
    QList<CodePoints> spellings{codePoints};
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        if (variants[i].size() < 2)
            continue;
        QList<CodePoints> grown;
        for (const CodePoints& spelling : spellings) {
            for (char32_t variant : variants[i]) {
                grown.append(spelling);
                grown.back()[i] = variant;
            }
        }
        spellings = grown;
    }
    return spellings;
}

Statement enumeratedLookup(const QString& keyText, const KeyShape& shape)
{
    QVariantList parameters{keyText};
    QStringList placeholders{QStringLiteral("?1")};
    for (const CodePoints& spelling : spellingsOf(shape.codePoints, shape.variants)) {
        const QString text = fromCodePoints(spelling);
        if (text == keyText)
            continue;
        parameters.append(text);
        placeholders.append(QStringLiteral("?%1").arg(parameters.size()));
    }
    return {LookupColumns + QStringLiteral("键位 COLLATE NOCASE IN (%1) ORDER BY rowid").arg(placeholders.join(u',')),
            parameters, bounds::KeyLookupTime};
}

// Too many spellings to list: the leading letters with case are spelled out while the spellings
// stay few, and each such spelling becomes one index range over the remaining letters (from all
// their lowest variants to all their highest; UTF-8 keeps code point order). The ranges share
// their spelled-out prefix, so they stay narrow; folding then picks the exact matches.
Statement rangeLookup(const QString& keyText, const KeyShape& shape)
{
    QList<CodePoints> leading = shape.variants;
    QList<qsizetype> rangePositions;
    qint64 spellings = 1;
    for (qsizetype i = 0; i < leading.size(); ++i) {
        if (leading[i].size() < 2)
            continue;
        if (rangePositions.isEmpty() && spellings * leading[i].size() <= MaxRangePrefixes) {
            spellings *= leading[i].size();
            continue;
        }
        rangePositions.append(i);
        leading[i] = {shape.variants[i].front()};
    }
    CodePoints lowestAtRanges = shape.codePoints;
    for (qsizetype i : rangePositions)
        lowestAtRanges[i] = shape.variants[i].front();
    QVariantList parameters{foldKeyText(keyText)};
    QStringList ranges;
    for (const CodePoints& lowest : spellingsOf(lowestAtRanges, leading)) {
        CodePoints highest = lowest;
        for (qsizetype i : rangePositions)
            highest[i] = shape.variants[i].back();
        parameters << fromCodePoints(lowest) << fromCodePoints(highest);
        ranges.append(
            QStringLiteral("SELECT rowid FROM Config WHERE 键位 COLLATE NOCASE BETWEEN ?%1 AND ?%2 AND %3(键位) = ?1")
                .arg(parameters.size() - 1)
                .arg(parameters.size())
                .arg(QLatin1String(KeyFoldFunction)));
    }
    // One subquery per range: the planner gives each its own index search, where a long OR of
    // ranges would make it fall back to a full scan.
    return {LookupColumns +
                QStringLiteral("rowid IN (%1) ORDER BY rowid").arg(ranges.join(QStringLiteral(" UNION ALL "))),
            parameters, bounds::KeyLookupTime};
}

}  // namespace

Statement editorStatement() { return {QStringLiteral("select * from Config"), {}, bounds::WholeTableTime}; }

Statement keyLookupStatement(const QString& keyText)
{
    const QString key = keyText.isNull() ? QStringLiteral("") : keyText;
    const KeyShape shape = shapeOf(key);
    if (shape.spellings == 1)
        return {
            LookupColumns + QStringLiteral("键位 = ?1 COLLATE NOCASE ORDER BY rowid"), {key}, bounds::KeyLookupTime};
    if (shape.spellings <= MaxEnumeratedSpellings)
        return enumeratedLookup(key, shape);
    return rangeLookup(key, shape);
}

void prepareKeyLookup() { caseVariants(U'\u00e9'); }

bool keysMatch(const QString& a, const QString& b) { return foldKeyText(a) == foldKeyText(b); }

}  // namespace keysound::store
