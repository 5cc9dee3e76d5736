#include "store/Statements.h"

#include "store/KeyFolding.h"

namespace keysound::store {

namespace {

// Beyond this many spellings the lookup scans an index range and filters by folding instead.
constexpr int MaxEnumeratedSpellings = 32;

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

QStringList spellingsOf(const KeyShape& shape)
{
    QList<QList<char32_t>> spellings{shape.codePoints};
    for (qsizetype i = 0; i < shape.codePoints.size(); ++i) {
        if (shape.variants[i].size() < 2)
            continue;
        QList<QList<char32_t>> grown;
        for (const QList<char32_t>& spelling : spellings) {
            for (char32_t variant : shape.variants[i]) {
                grown.append(spelling);
                grown.back()[i] = variant;
            }
        }
        spellings = grown;
    }
    QStringList texts;
    for (const QList<char32_t>& spelling : spellings)
        texts.append(fromCodePoints(spelling));
    return texts;
}

Statement enumeratedLookup(const QString& keyText, const KeyShape& shape)
{
    QVariantList parameters{keyText};
    QStringList placeholders{QStringLiteral("?1")};
    for (const QString& spelling : spellingsOf(shape)) {
        if (spelling == keyText)
            continue;
        parameters.append(spelling);
        placeholders.append(QStringLiteral("?%1").arg(parameters.size()));
    }
    return {LookupColumns + QStringLiteral("键位 COLLATE NOCASE IN (%1) ORDER BY rowid").arg(placeholders.join(u',')),
            parameters};
}

// Every spelling lies between the one made of the lowest variants and the one made of the
// highest: UTF-8 keeps code point order, so the index can narrow the scan to that range.
Statement rangeLookup(const QString& keyText, const KeyShape& shape)
{
    QList<char32_t> lowest;
    QList<char32_t> highest;
    for (const QList<char32_t>& variants : shape.variants) {
        lowest.append(variants.front());
        highest.append(variants.back());
    }
    return {LookupColumns
                + QStringLiteral("键位 COLLATE NOCASE BETWEEN ?1 AND ?2 AND %1(键位) = ?3 ORDER BY rowid")
                      .arg(QLatin1String(KeyFoldFunction)),
            {fromCodePoints(lowest), fromCodePoints(highest), foldKeyText(keyText)}};
}

}  // namespace

Statement editorStatement()
{
    return {QStringLiteral("select * from Config"), {}};
}

Statement keyLookupStatement(const QString& keyText)
{
    const QString key = keyText.isNull() ? QStringLiteral("") : keyText;
    const KeyShape shape = shapeOf(key);
    if (shape.spellings == 1)
        return {LookupColumns + QStringLiteral("键位 = ?1 COLLATE NOCASE ORDER BY rowid"), {key}};
    if (shape.spellings <= MaxEnumeratedSpellings)
        return enumeratedLookup(key, shape);
    return rangeLookup(key, shape);
}

}  // namespace keysound::store
