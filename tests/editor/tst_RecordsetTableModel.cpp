#include "EditorTestSupport.h"
#include "TestAppFolder.h"
#include "editor/RecordsetTableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace keysound;
using editor::RecordsetTableModel;

class tst_RecordsetTableModel : public QObject {
    Q_OBJECT
private slots:
    void showsEveryColumnHeadedByItsName_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QStringList>("headers");
        QTest::newRow("the two mapping columns") << QString() << QStringList{"键位", "文件名"};
        QTest::newRow("extra columns of other types")
            << "ALTER TABLE Config ADD COLUMN 音量 INTEGER; ALTER TABLE Config ADD COLUMN 备注 BLOB;"
               "ALTER TABLE Config ADD COLUMN 比例 REAL;"
            << QStringList{"键位", "文件名", "音量", "备注", "比例"};
    }
    void showsEveryColumnHeadedByItsName()
    {
        QFETCH(QString, schema);
        QFETCH(QStringList, headers);
        test::TestAppFolder folder;
        if (!schema.isEmpty())
            folder.exec(schema);
        folder.addMappings(3);
        auto recordset = test::openEditorRecordset();
        RecordsetTableModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(recordset.get());
        QCOMPARE(model.rowCount(), 3);
        QStringList shown;
        for (int column = 0; column < model.columnCount(); ++column)
            shown << model.headerData(column, Qt::Horizontal).toString();
        QCOMPARE(shown, headers);
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("k2"));
        QCOMPARE(model.index(2, 1).data().toString(), QStringLiteral("f2.mp3"));
    }

    void showsValuesOfEveryKind_data()
    {
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QVariantList>("shown");
        QTest::newRow("NULL in both columns shows nothing")
            << "INSERT INTO Config VALUES (NULL, NULL, NULL)" << QVariantList{QVariant(), QVariant(), QVariant()};
        QTest::newRow("empty texts") << "INSERT INTO Config VALUES ('', '', 0)" << QVariantList{"", "", "0"};
        QTest::newRow("integer in the extra column") << "INSERT INTO Config VALUES ('a', 'a.mp3', 42)"
                                                      << QVariantList{"a", "a.mp3", "42"};
        QTest::newRow("number stored in a text column")
            << "INSERT INTO Config VALUES (7, 8.5, 'x')" << QVariantList{"7", "8.5", "x"};
    }
    void showsValuesOfEveryKind()
    {
        QFETCH(QString, insert);
        QFETCH(QVariantList, shown);
        test::TestAppFolder folder;
        folder.exec("ALTER TABLE Config ADD COLUMN 音量");
        folder.exec(insert);
        auto recordset = test::openEditorRecordset();
        RecordsetTableModel model;
        model.setRecordset(recordset.get());
        for (int column = 0; column < 3; ++column)
            QCOMPARE(model.index(0, column).data(), shown[column]);
    }

    void followsTheRecordsetsChanges()
    {
        test::TestAppFolder folder;
        folder.addMappings(3);
        auto recordset = test::openEditorRecordset();
        RecordsetTableModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(recordset.get());
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

        recordset->AddNew();
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted[0][1].toInt(), 3);
        QCOMPARE(model.rowCount(), 4);
        recordset->setValue("键位", "new");
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), 3);
        QCOMPARE(model.index(3, 0).data().toString(), QStringLiteral("new"));
        recordset->UpdateBatch();
        recordset->MoveFirst();
        recordset->Delete();
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed[0][1].toInt(), 0);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("k1"));
        folder.addMapping("outside", "o.mp3");
        recordset->Requery();
        QCOMPARE(reset.size(), 1);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.index(3, 0).data().toString(), QStringLiteral("outside"));
    }

    void lettingGoShowsNothing()
    {
        test::TestAppFolder folder;
        folder.addMappings(2);
        auto recordset = test::openEditorRecordset();
        RecordsetTableModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(recordset.get());
        model.setRecordset(nullptr);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        recordset->AddNew();  // no longer followed
        QCOMPARE(model.rowCount(), 0);
        model.setRecordset(recordset.get());
        QCOMPARE(model.rowCount(), 3);
        recordset.reset();
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_RecordsetTableModel)
#include "tst_RecordsetTableModel.moc"
