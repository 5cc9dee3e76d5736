#include "store/JetReader.h"

#include "LegacySamples.h"
#include "platform/Error.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace keysound;
using namespace keysound::store;
using namespace keysound::test::legacy;

class TestJetReader : public QObject {
    Q_OBJECT

private slots:
    void init();
    void tablesOfEachSample_data();
    void tablesOfEachSample();
    void columnKindsOfTheJet3Sample();
    void damagedFileThrowsNamingIt_data();
    void damagedFileThrowsNamingIt();
    void everyDamagedPageIsDetectedOrHarmless();

private:
    static QList<QVariantList> everyRow(const QString& path);
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestJetReader::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestJetReader::tablesOfEachSample_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<int>("format");
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<QList<qint64>>("declaredRows");

    QTest::newRow("mapping database, Jet 4") << "legacy-db1.mdb" << int(DatabaseFormat::Jet4)
        << QStringList{"Config", "Notes"} << QList<qint64>{13, 2};
    QTest::newRow("Unicode compression sample, Jet 4") << "testUnicodeCompV2003.mdb" << int(DatabaseFormat::Jet4)
        << QStringList{"Table"} << QList<qint64>{8};
    QTest::newRow("Jet 3 sample") << "testV1997.mdb" << int(DatabaseFormat::Jet3)
        << QStringList{"Table1", "Table2", "Table3", "Table4"} << QList<qint64>{2, 0, 0, 0};
}

void TestJetReader::tablesOfEachSample()
{
    QFETCH(QString, sample);
    QFETCH(int, format);
    QFETCH(QStringList, tables);
    QFETCH(QList<qint64>, declaredRows);

    const JetReader reader(copySample(sample, dir_->path()));
    QCOMPARE(int(reader.format()), format);
    QStringList names;
    QList<qint64> rows;
    for (const JetTable& table : reader.tables()) {
        names.append(table.name);
        rows.append(table.declaredRows);
        qint64 read = 0;
        reader.readRows(table, [&](const QVariantList& row) {
            QCOMPARE(row.size(), table.columns.size());
            ++read;
        });
        QCOMPARE(read, table.declaredRows);
    }
    QCOMPARE(names, tables);
    QCOMPARE(rows, declaredRows);
}

void TestJetReader::columnKindsOfTheJet3Sample()
{
    const JetReader reader(copySample(QStringLiteral("testV1997.mdb"), dir_->path()));
    const JetTable& table1 = reader.tables().at(0);
    const QList<JetColumnKind> kinds{JetColumnKind::Text, JetColumnKind::Text, JetColumnKind::Integer,
                                     JetColumnKind::Integer, JetColumnKind::Integer, JetColumnKind::Real,
                                     JetColumnKind::DateTime, JetColumnKind::Currency, JetColumnKind::Boolean};
    for (int i = 0; i < kinds.size(); ++i)
        QCOMPARE(table1.columns.at(i).kind, kinds.at(i));
    QCOMPARE(reader.tables().at(3).columns.at(1).kind, JetColumnKind::Guid);
}

void TestJetReader::damagedFileThrowsNamingIt_data()
{
    QTest::addColumn<qint64>("truncateTo");  // -1: keep the length
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray page(4096, '\xA5');
    QTest::newRow("only the header page is left") << qint64(4096) << qint64(0) << QByteArray();
    QTest::newRow("catalog page overwritten") << qint64(-1) << qint64(2 * 4096) << page;
    QTest::newRow("header page overwritten after the signature") << qint64(-1) << qint64(0x20) << QByteArray(4000, '\0');
}

void TestJetReader::damagedFileThrowsNamingIt()
{
    QFETCH(qint64, truncateTo);
    QFETCH(qint64, offset);
    QFETCH(QByteArray, bytes);

    const QString path = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("db1.mdb"));
    if (truncateTo >= 0)
        QVERIFY(QFile::resize(path, truncateTo));
    if (!bytes.isEmpty())
        overwriteBytes(path, offset, bytes);
    try {
        JetReader reader(path);
        for (const JetTable& table : reader.tables())
            reader.readRows(table, [](const QVariantList&) {});
        QFAIL("a damaged file was read without complaint");
    } catch (const Error& error) {
        QCOMPARE(error.number(), ErrorNumber::UnrecognizedFormat);
        QVERIFY2(error.description().contains(path), qPrintable(error.description()));
        QVERIFY2(error.description().contains(QStringLiteral("Jet")), qPrintable(error.description()));
    }
}

QList<QVariantList> TestJetReader::everyRow(const QString& path)
{
    const JetReader reader(path);
    QList<QVariantList> rows;
    for (const JetTable& table : reader.tables()) {
        rows.append({table.name});
        reader.readRows(table, [&](const QVariantList& row) { rows.append(row); });
    }
    return rows;
}

// Whatever page is lost, the reader either says so or still returns exactly the original rows:
// it never hands back a silently shortened or garbled table.
void TestJetReader::everyDamagedPageIsDetectedOrHarmless()
{
    const QString original = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path());
    const QList<QVariantList> intact = everyRow(original);
    const qint64 pages = QFileInfo(original).size() / 4096;
    int detected = 0;
    for (qint64 page = 1; page < pages; ++page) {
        const QString path = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("page%1.mdb").arg(page));
        overwriteBytes(path, page * 4096, QByteArray(4096, '\xA5'));
        try {
            QCOMPARE(everyRow(path), intact);
        } catch (const Error& error) {
            QVERIFY2(error.description().contains(path), qPrintable(error.description()));
            ++detected;
        }
    }
    QVERIFY2(detected >= 3, "the damage of the catalog, table definitions and data pages went unnoticed");
}

QTEST_GUILESS_MAIN(TestJetReader)
#include "tst_jetreader.moc"
