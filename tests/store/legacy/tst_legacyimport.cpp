#include "StoreTestSupport.h"

#include "store/SchemaWriter.h"
#include "store/legacy/JetReaderProcess.h"
#include "store/legacy/JetStream.h"
#include "store/legacy/LegacyImport.h"
#include "store/legacy/LegacyImportTables.h"
#include "store/legacy/LegacyText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace keysound;
using namespace keysound::store;
using namespace keysound::test;

namespace {
using Conversion = std::function<QString()>;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray r;
    for (int v : values)
        r += char(v);
    return r;
}
Conversion jet4(const QByteArray& stored)
{
    return [=] { return legacy::decodeJet4Text(stored); };
}
Conversion jet3(const QByteArray& stored, int codePage)
{
    return [=] { return legacy::decodeJet3Text(stored, codePage); };
}
Conversion date(double days)
{
    return [=] { return legacy::jetDateTimeToIso(days); };
}
Conversion currency(qint64 value)
{
    return [=] { return legacy::jetCurrencyToText(value); };
}
// A text value as the reading process hands it over.
Conversion handedOver(const QString& text)
{
    return [=] {
        QByteArray stream;
        const jetstream::Sink sink = [&](const QByteArray& bytes) { stream += bytes; };
        jetstream::writeFormat(sink, DatabaseFormat::Jet4);
        jetstream::writeTable(sink, {QStringLiteral("Config"), {{QStringLiteral("键"), JetColumnKind::Text, 10}}, 1, 0});
        jetstream::writeRow(sink, {text});
        jetstream::writeEnd(sink);
        return jetstream::parse(stream).value().database.value().tables.value(0).rows.value(0).value(0).toString();
    };
}
}  // namespace

Q_DECLARE_METATYPE(Conversion)

class TestLegacyImport : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QList<LegacyImportReport> notifications_;
    QString dbPath() const { return dir_->filePath(QStringLiteral("db1.mdb")); }
    void open() const { Connection().Open(QStringLiteral("Data Source=%1").arg(dbPath())); }

private slots:
    void initTestCase()
    {
        setLegacyImportNotifier([this](const LegacyImportReport& r) { notifications_.append(r); });
    }
    void cleanupTestCase() { setLegacyImportNotifier({}); }
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        notifications_.clear();
    }

    void values_data()
    {
        // clang-format off
        // expected "<refused>": an error
        QTest::addColumn<Conversion>("conversion");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Jet 4: compressed Latin-1") << jet4(bytes({0xFF, 0xFE, 0xDC, 'n'})) << "Ün";
        QTest::newRow("Jet 4: compressed, UTF-16 run, compressed") << jet4(bytes({0xFF, 0xFE, 'b', 0, 0x7D, 0x59, 0, '!'})) << "b好!";
        QTest::newRow("Jet 4: half a character at the end is dropped") << jet4(bytes({0xFF, 0xFE, 'a', 0, 0x41})) << "a";
        QTest::newRow("Jet 3: 936 Chinese") << jet3(bytes({0xBA, 0xC3}), 936) << "好";
        QTest::newRow("Jet 3: no code page recorded reads as 1252, not as 1250") << jet3(bytes({'v', 0xE0, 'r'}), 0) << "vàr";
        QTest::newRow("Jet 3: unknown code page is refused") << jet3("x", 65123) << "<refused>";
        QTest::newRow("date: milliseconds kept") << date(36526.0 + 0.25 / 86400.0) << "2000-01-01T00:00:00.250";
        QTest::newRow("date: before 1899 the fraction counts forward") << date(-1.25) << "1899-12-29T06:00:00";
        QTest::newRow("date: almost midnight rounds into the next day") << date(1.0 - 0.0001 / 86400.0) << "1899-12-31T00:00:00";
        QTest::newRow("date: no calendar date keeps the number") << date(1.0e300) << "1e+300";
        QTest::newRow("smallest currency") << currency(std::numeric_limits<qint64>::min()) << "-922337203685477.5808";
        const QString bomKey = QStringLiteral("\uFEFFkey");  // from a char literal, fromUtf8 would drop it here already
        QTest::newRow("handed over: a leading U+FEFF is part of the text") << handedOver(bomKey) << bomKey;
        // clang-format on
    }
    void values()
    {
        QFETCH(Conversion, conversion);
        QFETCH(QString, expected);
        QString value = QStringLiteral("<refused>");
        const auto error = errorOf([&] { value = conversion(); });
        QCOMPARE(value, expected);
        QCOMPARE(error ? error->number() : 0, expected == "<refused>" ? int(ErrorNumber::LegacyImportFailed) : 0);
    }

    void importedContent_data()
    {
        // clang-format off
        // expected: values and their types
        using Rows = QList<QVariantList>;
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("query");
        QTest::addColumn<Rows>("expected");
        QString everyLatin1;
        for (char16_t c = 1; c <= 0xFF; ++c)
            everyLatin1 += QChar(c);
        Rows unicodeRows;
        for (const QString& text : QStringList{"only ascii chars", "ääkkösiä", "Мир",
                 "\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C \u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1",
                 "漢字仮名交じり文", "3L9\u001D52\u0002_AB(\u00A5\u0005!!V", "ümlaut", everyLatin1})
            unicodeRows.append({qint64(unicodeRows.size() + 1), text});
        QTest::newRow("Config equals legacy-db1.csv") << "legacy-db1.mdb" << "SELECT 键位, 文件名 FROM Config ORDER BY rowid" << expectedConfigRows();
        QTest::newRow("Unicode sample keeps every character") << "testUnicodeCompV2003.mdb" << "SELECT ID, \"Unicode\" FROM \"Table\"" << unicodeRows;
        QTest::newRow("Jet 3 sample keeps its tables")
            << "testV1997.mdb" << "SELECT name FROM sqlite_schema WHERE type = 'table' UNION ALL SELECT count(*) FROM pragma_table_info('Table2')"
            << Rows{{"Table1"}, {"Table2"}, {"Table3"}, {"Table4"}, {"Config"}, {qint64(89)}};
        QTest::newRow("Jet 3 sample keeps its values")
            << "testV1997.mdb" << "SELECT * FROM Table1 ORDER BY rowid"
            << Rows{{"a", "b", qint64(0), qint64(0), qint64(0), 0.0, "1981-12-12T00:00:00", "0.0000", qint64(0)},
                    {"abcdefg", "hijklmnop", qint64(2), qint64(222), qint64(333333333), 444.555, "1974-09-21T00:00:00", "3.5000", qint64(1)}};
        // clang-format on
    }
    void importedContent()
    {
        QFETCH(QString, sample);
        QFETCH(QString, query);
        QFETCH(QList<QVariantList>, expected);
        const QString path = copySample(sample, dir_->path());
        ensureSqliteDatabase(path, path);
        const QList<QVariantList> rows = RawDatabase(path).rows(query);
        QCOMPARE(rows, expected);
        for (int r = 0; r < rows.size(); ++r)  // NULL is no empty text, a number no text
            for (int c = 0; c < rows[r].size(); ++c)
                QVERIFY2(rows[r][c].typeId() == expected[r][c].typeId(), qPrintable(QStringLiteral("row %1 column %2").arg(r + 1).arg(c + 1)));
    }

    // Config keeps its columns where the legacy file had them; the key column still compares
    // ignoring case and has its index, and a missing mapping column is added at the end.
    void mappingTableKeepsColumnOrder_data()
    {
        // clang-format off
        QTest::addColumn<QStringList>("legacyColumns");
        QTest::addColumn<QStringList>("importedColumns");
        QTest::newRow("key and file between other columns") << QStringList{"ID", "键位", "备注ID", "文件名", "备注"}
                                                            << QStringList{"ID", "键位", "备注ID", "文件名", "备注"};
        QTest::newRow("no file column") << QStringList{"键位", "ID"} << QStringList{"键位", "ID", "文件名"};
        // clang-format on
    }
    void mappingTableKeepsColumnOrder()
    {
        QFETCH(QStringList, legacyColumns);
        QFETCH(QStringList, importedColumns);
        JetTableData config{{QStringLiteral("Config"), {}, 1, 0}, {{}}};
        for (const QString& name : legacyColumns) {
            config.table.columns.append({name, JetColumnKind::Text, 100});
            config.rows[0].append(name == "键位" ? QStringLiteral("Key") : name == "文件名" ? QStringLiteral("found.mp3")
                                                                                            : name);
        }
        SchemaWriter writer(dbPath());
        copyJetTables(JetDatabase{DatabaseFormat::Jet4, {config}}, writer);
        writer.commit(SchemaWriter::Placement::KeepExisting);
        QCOMPARE(RawDatabase(dbPath()).rows("SELECT group_concat(name, ',') FROM pragma_table_info('Config')"),
                 QList<QVariantList>{{importedColumns.join(u',')}});
        QCOMPARE(RawDatabase(dbPath()).rows(QStringLiteral("SELECT name FROM pragma_index_list('Config')")), QList<QVariantList>{{"Config_键位"}});
        QCOMPARE(lookUp(dir_->path(), QStringLiteral("KEY")), QStringList{legacyColumns.contains("文件名") ? "found.mp3" : ""});
    }

    // Names given as "file:", "dir:" or "link:" (a dangling one) are taken before the import.
    void originalIsKeptUnderAFreshName_data()
    {
        // clang-format off
        // backup empty: no name left, the import fails
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("backup");
        QTest::newRow("an earlier backup, a folder and a dangling link are skipped") << "legacy-db1.mdb"
            << QStringList{"file:db1.jet4-original.mdb", "dir:db1.jet4-original-2.mdb", "link:db1.jet4-original-3.mdb"}
            << "db1.jet4-original-4.mdb";
        QTest::newRow("Jet 3 says so in its name") << "testV1997.mdb" << QStringList{"file:db1.jet4-original.mdb"} << "db1.jet3-original.mdb";
        QStringList all{"link:db1.jet4-original.mdb"};
        for (int n = 2; n <= 100; ++n)
            all.append(QStringLiteral("link:db1.jet4-original-%1.mdb").arg(n));
        QTest::newRow("every name taken: a clear error, not an endless search") << "legacy-db1.mdb" << all << "";
        // clang-format on
    }
    void originalIsKeptUnderAFreshName()
    {
        QFETCH(QString, sample);
        QFETCH(QStringList, taken);
        QFETCH(QString, backup);
        for (const QString& entry : taken) {
            const QString kind = entry.section(u':', 0, 0), name = dir_->filePath(entry.section(u':', 1));
            QVERIFY(kind == "dir" ? QDir().mkdir(name) : kind == "link" ? ::symlink("gone", QFile::encodeName(name)) == 0
                                                                        : (overwriteBytes(name, 0, "earlier"), true));
        }
        const auto entries = [&] {
            return QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        };
        QStringList expectedEntries = entries() << QStringLiteral("db1.mdb") << backup;
        const QByteArray original = fileBytes(copySample(sample, dir_->path()));
        const auto shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(dbPath(), shared));
        const mode_t umask = ::umask(077);  // a temporary file's mode: the backup must not keep it
        const auto error = errorOf([&] { ensureSqliteDatabase(dbPath(), dbPath()); });
        ::umask(umask);
        QCOMPARE(error ? error->number() : 0, backup.isEmpty() ? int(ErrorNumber::FileAccess) : 0);
        QVERIFY(!error || error->description().contains(dbPath()));
        QCOMPARE(fileBytes(backup.isEmpty() ? dbPath() : dir_->filePath(backup)), original);
        if (!backup.isEmpty()) {  // as readable as the original, whatever the umask
            struct stat status;
            QCOMPARE(::stat(QFile::encodeName(dir_->filePath(backup)).constData(), &status), 0);
            QCOMPARE(status.st_mode & 0777, mode_t(0644));
        }
        expectedEntries.removeAll(QString());
        expectedEntries.sort();
        QCOMPARE(entries(), expectedEntries);  // no temporary left over, nothing taken was touched
    }

    void staleTemporariesAreRemovedAtOpen_data()
    {
        // clang-format off
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("removed");
        QTest::newRow("an interrupted import's new file") << ".db1.mdb.new-a1B2c3" << 3600 << true;
        QTest::newRow("an interrupted backup copy") << ".db1.mdb.original-Xy9Z0q" << 3600 << true;
        QTest::newRow("one an import may still be writing") << ".db1.mdb.new-a1B2c3" << 0 << false;
        QTest::newRow("another database's") << ".db2.mdb.new-a1B2c3" << 3600 << false;
        QTest::newRow("the user's own file that begins like one") << ".db1.mdb.new-backup1" << 3600 << false;
        // clang-format on
    }
    void staleTemporariesAreRemovedAtOpen()
    {
        QFETCH(QString, name);
        QFETCH(int, ageSeconds);
        QFETCH(bool, removed);
        createMappingDatabase(dbPath());
        QFile file(dir_->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
        file.close();
        open();
        QCOMPARE(!QFileInfo::exists(file.fileName()), removed);
    }

    void userIsToldOnce()
    {
        copySample(QStringLiteral("legacy-db1.mdb"), dir_->path());
        QList<LegacyImportPhase> phases;
        setLegacyImportActivityHook([&](const LegacyImportActivity& activity) { phases.append(activity.phase); });
        open();
        open();  // the second finds an SQLite file
        setLegacyImportActivityHook({});
        QVERIFY(phases.value(0) == LegacyImportPhase::Started && phases.count(LegacyImportPhase::Finished) == 1 &&
                phases.constLast() == LegacyImportPhase::Finished);
        QCOMPARE(notifications_.size(), 1);
        const LegacyImportReport& report = notifications_.first();
        QVERIFY(report.format == DatabaseFormat::Jet4 && report.databasePath == dbPath() &&
                report.backupPath == dir_->filePath(QStringLiteral("db1.jet4-original.mdb")));
        QVERIFY(report.tables.size() == 2 && report.tables[0].rows == 13 && report.tables[1].rows == 2);
        QVERIFY(legacyImportMessage(report).contains(report.backupPath));
    }

    // A damaged Jet file, or a reader that misbehaves: a clear error within the reader's time limit,
    // the file untouched, nothing left beside it, nobody told of an import.
    void refusedInTime_data()
    {
        // clang-format off
        // change: cut:<length>, or reader:<shell script>; limit: the one the message names, "time" or "output"
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("limit");
        QTest::newRow("cut short") << "legacy-db1.mdb" << "cut:12288" << "";
        const QDir damaged(QDir(jetFixturesDir()).filePath(QStringLiteral("damaged")));
        for (const QString& name : damaged.entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(name)) << "damaged/" + name << "" << "";
        QTest::newRow("reader crashes") << "legacy-db1.mdb" << "reader:kill -SEGV $$" << "";
        QTest::newRow("reader hangs") << "legacy-db1.mdb" << "reader:exec sleep 60" << "time";
        QTest::newRow("reader floods its diagnostics") << "legacy-db1.mdb" << "reader:exec yes libmdb-warning >&2" << "time";
        QTest::newRow("reader writes without end") << "legacy-db1.mdb" << "reader:exec yes" << "output";
        QTest::newRow("reader stops in the middle of a table") << "legacy-db1.mdb" << "reader:printf 'J\\004T\\001\\000'" << "";
        QTest::newRow("reader claims success after a failure") << "legacy-db1.mdb" << "reader:printf 'F\\000\\000\\000\\000'" << "";
        // clang-format on
    }
    void refusedInTime()
    {
        QFETCH(QString, sample);
        QFETCH(QString, change);
        QFETCH(QString, limit);
        const QString how = change.section(u':', 0, 0), argument = change.section(u':', 1);
        copySample(sample, dir_->path());
        QVERIFY(how != "cut" || QFile::resize(dbPath(), argument.toLongLong()));
        const QString reader = dir_->filePath(QStringLiteral("reader.sh"));
        const QByteArray realReader = qgetenv("KEYSOUND_JET_READER");
        if (how == "reader") {
            overwriteBytes(reader, 0, "#!/bin/sh\n" + argument.toUtf8() + "\n");
            QVERIFY(QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            qputenv("KEYSOUND_JET_READER", QFile::encodeName(reader));
        }
        const QByteArray before = fileBytes(dbPath());
        QElapsedTimer clock;
        clock.start();
        const auto error = errorOf([&] { open(); });
        qputenv("KEYSOUND_JET_READER", realReader);
        QVERIFY(clock.elapsed() < jetReaderLimits(before.size()).wallClockMs + 1000);
        QCOMPARE(error ? error->number() : 0, ErrorNumber::UnrecognizedFormat);
        QVERIFY2(error->description().contains(dbPath()), qPrintable(error->description()));
        const ProcessLimits limits = jetReaderLimits(before.size());
        const QHash<QString, QString> figures{{"time", QString::number(limits.wallClockMs / 1000.0, 'f', 1)},
                                              {"output", QString::number(limits.outputBytes / (1024 * 1024))}};
        const QString reason = error->description().section(dbPath(), 1);
        QVERIFY2(reason.contains(figures.value(limit)), qPrintable(reason));
        QCOMPARE(fileBytes(dbPath()), before);
        QCOMPARE(filesIn(dir_->path()), (how == "reader" ? QStringList{"db1.mdb", "reader.sh"} : QStringList{"db1.mdb"}));
        QVERIFY(notifications_.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLegacyImport)
#include "tst_legacyimport.moc"
