#include "StoreTestSupport.h"
#include "TestAppFolder.h"

#include "store/Statements.h"

#include <QTest>

using namespace keysound;
using namespace keysound::store;
using keysound::test::TestAppFolder;

namespace {

using Mappings = QList<QPair<QVariant, QString>>;  // key (null QVariant: NULL), file name

// Eight letters with two spellings each: too many spellings to list, so such keys take the
// index ranges filtered by folding instead.
const QString RangePrefixUpper = QStringLiteral("ÉÉÉÉÉÉÉÉ");
const QString RangePrefixLower = QStringLiteral("éééééééé");

struct Found {
    int count = 0;
    QVariant firstFile;
};

Found lookUp(const QString& folder, const QString& key)
{
    Recordset recordset;
    recordset.Open(keyLookupStatement(key), test::openStore(folder));
    Found found{recordset.RecordCount(), {}};
    if (found.count > 0)
        found.firstFile = recordset.Value(QStringLiteral("文件名"));
    return found;
}

QStringList queryPlan(const QString& folder, const Statement& statement)
{
    const ConnectionPtr connection = test::openStore(folder);
    QStringList details;
    for (const QVariantList& row :
         test::queryRows(connection->handle(), QStringLiteral("EXPLAIN QUERY PLAN ") + statement.sql, statement.parameters))
        details.append(row.last().toString());
    return details;
}

}  // namespace

class TestKeyLookup : public QObject {
    Q_OBJECT
private slots:
    void lookup_data()
    {
        QTest::addColumn<Mappings>("mappings");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("firstFile");
        const QString word(10000, QLatin1Char('w'));
        const QVariant null;
        QTest::newRow("no mapping") << Mappings{{"a", "a.mp3"}} << "z" << 0 << "";
        QTest::newRow("apostrophe") << Mappings{{"a", "a.mp3"}, {"'", "quote.mp3"}} << "'" << 1 << "quote.mp3";
        QTest::newRow("several quotes select only their own row")
            << Mappings{{"x", "x.mp3"}, {"a' or '1'='1", "q.mp3"}} << "a' or '1'='1" << 1 << "q.mp3";
        QTest::newRow("quotes that select nothing") << Mappings{{"x", "x.mp3"}} << "' or ''='" << 0 << "";
        QTest::newRow("double quote") << Mappings{{"\"", "dq.mp3"}} << "\"" << 1 << "dq.mp3";
        QTest::newRow("backslash") << Mappings{{"a", "a.mp3"}, {"\\", "bs.mp3"}} << "\\" << 1 << "bs.mp3";
        QTest::newRow("percent is no wildcard") << Mappings{{"abc", "abc.mp3"}, {"%", "pc.mp3"}} << "%" << 1 << "pc.mp3";
        QTest::newRow("underscore is no wildcard") << Mappings{{"abc", "abc.mp3"}, {"a_c", "us.mp3"}} << "a_c" << 1 << "us.mp3";
        QTest::newRow("lone underscore matches no letter") << Mappings{{"a", "a.mp3"}} << "_" << 0 << "";
        QTest::newRow("upper key finds lower row") << Mappings{{"a", "a.mp3"}} << "A" << 1 << "a.mp3";
        QTest::newRow("lower key finds upper row") << Mappings{{"A", "A.mp3"}} << "a" << 1 << "A.mp3";
        QTest::newRow("é finds É") << Mappings{{"É", "E.mp3"}} << "é" << 1 << "E.mp3";
        QTest::newRow("É finds é") << Mappings{{"é", "e.mp3"}} << "É" << 1 << "e.mp3";
        QTest::newRow("ж finds Ж") << Mappings{{"Ж", "zh.mp3"}} << "ж" << 1 << "zh.mp3";
        QTest::newRow("Ж finds ж") << Mappings{{"ж", "zh.mp3"}} << "Ж" << 1 << "zh.mp3";
        QTest::newRow("é does not find e") << Mappings{{"e", "e.mp3"}, {"E", "E.mp3"}} << "é" << 0 << "";
        QTest::newRow("titlecase ǅ finds Ǆ and ǆ") << Mappings{{"Ǆ", "1.mp3"}, {"ǆ", "2.mp3"}} << "ǅ" << 2 << "1.mp3";
        QTest::newRow("final sigma finds capital sigma") << Mappings{{"Σ", "s.mp3"}} << "ς" << 1 << "s.mp3";
        QTest::newRow("kelvin sign stays apart from k") << Mappings{{"\u212A", "kelvin.mp3"}} << "k" << 0 << "";
        QTest::newRow("mixed ASCII and non-ASCII case") << Mappings{{"éA", "ea.mp3"}} << "Éa" << 1 << "ea.mp3";
        QTest::newRow("chinese key") << Mappings{{"键", "jian.mp3"}, {"位", "wei.mp3"}} << "位" << 1 << "wei.mp3";
        QTest::newRow("non-BMP symbol") << Mappings{{"𝄞", "clef.mp3"}} << "𝄞" << 1 << "clef.mp3";
        QTest::newRow("non-BMP letter with case") << Mappings{{"\U00010428", "deseret.mp3"}} << "\U00010400" << 1 << "deseret.mp3";
        QTest::newRow("10,000-char word") << Mappings{{word, "long.mp3"}} << word.toUpper() << 1 << "long.mp3";
        QTest::newRow("10,000-char word, one short") << Mappings{{word, "long.mp3"}} << word.left(9999) << 0 << "";
        QTest::newRow("empty key matches only empty keys")
            << Mappings{{null, "null.mp3"}, {" ", "blank.mp3"}, {"", "empty.mp3"}} << "" << 1 << "empty.mp3";
        QTest::newRow("NULL key never matches") << Mappings{{null, "null.mp3"}} << "" << 0 << "";
        QTest::newRow("duplicates give the lowest rowid") << Mappings{{"d", "first.mp3"}, {"d", "second.mp3"}} << "d" << 2 << "first.mp3";
        QTest::newRow("b then B gives b") << Mappings{{"b", "lower.mp3"}, {"B", "upper.mp3"}} << "B" << 2 << "lower.mp3";
        QTest::newRow("É then é gives É") << Mappings{{"x", "x.mp3"}, {"É", "upper.mp3"}, {"é", "lower.mp3"}} << "é" << 2 << "upper.mp3";
        QTest::newRow("whole key only") << Mappings{{"ab", "ab.mp3"}, {"a", "a.mp3"}} << "a" << 1 << "a.mp3";
    }
    void lookup()
    {
        QFETCH(Mappings, mappings);
        QFETCH(QString, key);
        QFETCH(int, count);
        QFETCH(QString, firstFile);
        TestAppFolder folder;
        for (const auto& [stored, file] : mappings)
            folder.addMapping(stored, file);
        const Found found = lookUp(folder.path(), key);
        QCOMPARE(found.count, count);
        if (count > 0)
            QCOMPARE(found.firstFile.toString(), firstFile);
    }

    // The same rows again with a prefix that forces the range-and-fold path: both ways of
    // comparing must agree.
    void lookupThroughRangeScan_data() { lookup_data(); }
    void lookupThroughRangeScan()
    {
        QFETCH(Mappings, mappings);
        QFETCH(QString, key);
        QFETCH(int, count);
        QFETCH(QString, firstFile);
        TestAppFolder folder;
        for (const auto& [stored, file] : mappings)
            folder.addMapping(stored.isValid() ? QVariant(RangePrefixLower + stored.toString()) : stored, file);
        const QString longKey = RangePrefixUpper + key;
        QVERIFY(keyLookupStatement(longKey).sql.contains(QStringLiteral("BETWEEN")));
        const Found found = lookUp(folder.path(), longKey);
        QCOMPARE(found.count, count);
        if (count > 0)
            QCOMPARE(found.firstFile.toString(), firstFile);
    }

    void lookupUsesTheIndex_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("ASCII key") << "a";
        QTest::newRow("quote key") << "it's";
        QTest::newRow("chinese key") << "键";
        QTest::newRow("non-ASCII cased key") << "é";
        QTest::newRow("word of many cased letters") << "Привет мир";
    }
    void lookupUsesTheIndex()
    {
        QFETCH(QString, key);
        TestAppFolder folder;
        folder.addMappings(200);
        const QStringList plan = queryPlan(folder.path(), keyLookupStatement(key));
        QVERIFY2(plan.join(u' ').contains(QStringLiteral("INDEX Config_键位")), qPrintable(plan.join(u';')));
        QVERIFY2(!plan.join(u' ').contains(QStringLiteral("SCAN")), qPrintable(plan.join(u';')));
    }

    void keyTextNeverEntersTheStatement_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("injection") << "x'; DROP TABLE Config; --";
        QTest::newRow("non-ASCII injection") << "É'; DROP TABLE Config; --";
        QTest::newRow("long non-ASCII injection") << "ÉÉÉÉÉÉÉÉÉ'; DROP TABLE Config; --";
    }
    void keyTextNeverEntersTheStatement()
    {
        QFETCH(QString, key);
        TestAppFolder folder;
        folder.addMapping(key, QStringLiteral("odd.mp3"));
        const Statement statement = keyLookupStatement(key);
        QVERIFY(!statement.sql.contains(QStringLiteral("DROP")));
        QCOMPARE(lookUp(folder.path(), key).count, 1);
        QCOMPARE(test::RawDatabase(folder.databasePath()).mappings().size(), 1);
    }

    void foldingIsNotInTheSchema()
    {
        TestAppFolder folder;
        folder.addMapping(QStringLiteral("Ж"), QStringLiteral("zh.mp3"));
        QCOMPARE(lookUp(folder.path(), QStringLiteral("жжжжжжж")).count, 0);
        const QList<QVariantList> schema = test::RawDatabase(folder.databasePath()).rows(QStringLiteral("SELECT sql FROM sqlite_schema"));
        for (const QVariantList& row : schema)
            QVERIFY2(!row[0].toString().contains(QStringLiteral("fold")), qPrintable(row[0].toString()));
    }
};

QTEST_GUILESS_MAIN(TestKeyLookup)
#include "tst_KeyLookup.moc"
