#include "StoreTestSupport.h"
#include "TestAppFolder.h"

#include "store/Statements.h"

#include <QTest>

using namespace keysound;
using namespace keysound::store;
using keysound::test::TestAppFolder;

namespace {
using Mappings = QList<QPair<QVariant, QString>>;  // key (null QVariant: NULL), file name

// Eight letters with two spellings each: too many spellings to list, so such keys are searched
// by index ranges filtered by folding.
const QString Lower8 = QStringLiteral("éééééééé");
const QString Upper8 = QStringLiteral("ÉÉÉÉÉÉÉÉ");
}  // namespace

class TestKeyLookup : public QObject {
    Q_OBJECT
private slots:
    void lookup_data()
    {
        QTest::addColumn<Mappings>("mappings");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("files");  // what the lookup returns, in order
        const QString word(10000, QLatin1Char('w'));
        const QVariant null;
        using F = QStringList;
        QTest::newRow("no mapping") << Mappings{{"a", "a.mp3"}} << "z" << F{};
        QTest::newRow("apostrophe") << Mappings{{"a", "a.mp3"}, {"'", "quote.mp3"}} << "'" << F{"quote.mp3"};
        QTest::newRow("several quotes select only their own row")
            << Mappings{{"x", "x.mp3"}, {"a' or '1'='1", "q.mp3"}} << "a' or '1'='1" << F{"q.mp3"};
        QTest::newRow("backslash") << Mappings{{"a", "a.mp3"}, {"\\", "bs.mp3"}} << "\\" << F{"bs.mp3"};
        QTest::newRow("percent is no wildcard") << Mappings{{"abc", "abc.mp3"}, {"%", "pc.mp3"}} << "%" << F{"pc.mp3"};
        QTest::newRow("underscore is no wildcard") << Mappings{{"abc", "abc.mp3"}, {"a_c", "us.mp3"}} << "a_c" << F{"us.mp3"};
        QTest::newRow("whole key only") << Mappings{{"ab", "ab.mp3"}, {"a", "a.mp3"}} << "a" << F{"a.mp3"};
        QTest::newRow("upper key finds lower row") << Mappings{{"a", "a.mp3"}} << "A" << F{"a.mp3"};
        QTest::newRow("lower key finds upper row") << Mappings{{"A", "A.mp3"}} << "a" << F{"A.mp3"};
        QTest::newRow("é finds É") << Mappings{{"É", "E.mp3"}} << "é" << F{"E.mp3"};
        QTest::newRow("É finds é") << Mappings{{"é", "e.mp3"}} << "É" << F{"e.mp3"};
        QTest::newRow("ж finds Ж") << Mappings{{"Ж", "zh.mp3"}} << "ж" << F{"zh.mp3"};
        QTest::newRow("é does not find e") << Mappings{{"e", "e.mp3"}, {"E", "E.mp3"}} << "é" << F{};
        QTest::newRow("k and K do not find the Kelvin sign") << Mappings{{"\u212A", "kelvin.mp3"}, {"k", "k.mp3"}} << "K" << F{"k.mp3"};
        QTest::newRow("the Kelvin sign finds only itself") << Mappings{{"k", "k.mp3"}, {"\u212A", "kelvin.mp3"}} << "\u212A" << F{"kelvin.mp3"};
        QTest::newRow("s and S do not find the long s") << Mappings{{"\u017F", "long.mp3"}, {"S", "S.mp3"}} << "s" << F{"S.mp3"};
        QTest::newRow("the long s finds only itself") << Mappings{{"s", "s.mp3"}, {"\u017F", "long.mp3"}} << "\u017F" << F{"long.mp3"};
        QTest::newRow("titlecase ǅ finds Ǆ and ǆ") << Mappings{{"Ǆ", "1.mp3"}, {"ǆ", "2.mp3"}} << "ǅ" << F{"1.mp3", "2.mp3"};
        QTest::newRow("non-BMP letter with case") << Mappings{{"\U00010428", "deseret.mp3"}} << "\U00010400" << F{"deseret.mp3"};
        QTest::newRow("10,000-char word") << Mappings{{word, "long.mp3"}} << word.toUpper() << F{"long.mp3"};
        QTest::newRow("10,000-char word, one short") << Mappings{{word, "long.mp3"}} << word.left(9999) << F{};
        QTest::newRow("empty key matches only empty keys")
            << Mappings{{null, "null.mp3"}, {" ", "blank.mp3"}, {"", "empty.mp3"}} << "" << F{"empty.mp3"};
        QTest::newRow("NULL key never matches") << Mappings{{null, "null.mp3"}} << "" << F{};
        QTest::newRow("duplicates: lowest rowid first") << Mappings{{"d", "first.mp3"}, {"d", "second.mp3"}} << "d" << F{"first.mp3", "second.mp3"};
        QTest::newRow("b then B: b first") << Mappings{{"b", "lower.mp3"}, {"B", "upper.mp3"}} << "B" << F{"lower.mp3", "upper.mp3"};
        QTest::newRow("index ranges: other case, non-BMP, rowid order")
            << Mappings{{Upper8 + "\U00010400", "1.mp3"}, {Lower8, "x.mp3"}, {Lower8 + "\U00010428", "2.mp3"}}
            << Lower8.left(4) + Upper8.left(4) + "\U00010400" << F{"1.mp3", "2.mp3"};
        QTest::newRow("index ranges: a later letter in other case") << Mappings{{Upper8 + "É", "E.mp3"}} << Upper8 + "é" << F{"E.mp3"};
        QTest::newRow("index ranges: one letter differs")
            << Mappings{{Lower8 + "жa", "a.mp3"}, {Lower8 + "e", "e.mp3"}} << Upper8 + "Жb" << F{};
        QTest::newRow("index ranges: ASCII letter in other case")
            << Mappings{{Lower8.left(6) + "a" + Lower8.left(2), "a.mp3"}} << Upper8.left(6) + "A" + Upper8.left(2) << F{"a.mp3"};
        QTest::newRow("index ranges: the long s stays apart from s") << Mappings{{Lower8 + "s", "s.mp3"}} << Upper8 + "\u017F" << F{};
        QTest::newRow("index ranges: é does not find e") << Mappings{{Lower8 + "e", "e.mp3"}} << Upper8 + "É" << F{};
    }
    void lookup()
    {
        QFETCH(Mappings, mappings);
        QFETCH(QString, key);
        QFETCH(QStringList, files);
        TestAppFolder folder;
        for (const auto& [stored, file] : mappings)
            folder.addMapping(stored, file);
        QCOMPARE(test::lookUp(folder.path(), key), files);
    }

    void lookupUsesTheIndex_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("ASCII key") << "a";
        QTest::newRow("non-ASCII cased key") << "é";
        QTest::newRow("key searched by index ranges") << Upper8 + "Привет";
    }
    void lookupUsesTheIndex()
    {
        QFETCH(QString, key);
        TestAppFolder folder;
        folder.addMappings(200);
        const Statement lookup = keyLookupStatement(key);
        QString plan;
        for (const QVariantList& row : test::queryRows(test::openStore(folder.path())->handle(), "EXPLAIN QUERY PLAN " + lookup.sql, lookup.parameters))
            plan += row.last().toString() + u';';
        QVERIFY2(plan.contains(QStringLiteral("INDEX Config_键位")) && !plan.contains(QStringLiteral("SCAN")), qPrintable(plan));
    }
};

QTEST_GUILESS_MAIN(TestKeyLookup)
#include "tst_KeyLookup.moc"
