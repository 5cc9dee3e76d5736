#include "EditorTestSupport.h"
#include "TestAppFolder.h"
#include "editor/FieldBinder.h"
#include "platform/Error.h"

#include <QLineEdit>
#include <QTest>

using namespace keysound;
using editor::FieldBinder;

class tst_FieldBinder : public QObject {
    Q_OBJECT
private slots:
    void showsTheCurrentRowAfterEveryMove_data()
    {
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QString>("keyShown");
        QTest::addColumn<QString>("fileShown");
        QTest::newRow("just opened") << "" << "a" << "a.mp3";
        QTest::newRow("next") << "N" << "" << "";  // row 2 holds NULL in both columns
        QTest::newRow("last") << "L" << QString(10000, QChar(u'键')) << QString(10000, QChar(u'名'));
        QTest::newRow("past the end") << "LN" << "" << "";
        QTest::newRow("new row") << "A" << "" << "";
        QTest::newRow("back to first after requery") << "LR" << "a" << "a.mp3";
    }
    void showsTheCurrentRowAfterEveryMove()
    {
        QFETCH(QString, moves);
        QFETCH(QString, keyShown);
        QFETCH(QString, fileShown);
        test::TestAppFolder folder;
        folder.addMapping("a", "a.mp3");
        folder.addMapping(QVariant(), QVariant());
        folder.addMapping(QString(10000, QChar(u'键')), QString(10000, QChar(u'名')));
        auto recordset = test::openEditorRecordset();
        QLineEdit keyBox, fileBox;
        FieldBinder keyBinder(&keyBox, "键位"), fileBinder(&fileBox, "文件名");
        keyBinder.setDataSource(recordset.get());
        fileBinder.setDataSource(recordset.get());
        for (QChar move : moves) {
            switch (move.unicode()) {
            case 'N': recordset->MoveNext(); break;
            case 'L': recordset->MoveLast(); break;
            case 'A': recordset->AddNew(); break;
            case 'R': recordset->Requery(); break;
            }
        }
        QCOMPARE(keyBox.text(), keyShown);
        QCOMPARE(fileBox.text(), fileShown);
    }

    void typedTextBecomesAPendingChange()
    {
        test::TestAppFolder folder;
        folder.addMappings(2);
        auto recordset = test::openEditorRecordset();
        QLineEdit box;
        FieldBinder binder(&box, "文件名");
        binder.setDataSource(recordset.get());
        box.setFocus();
        QTest::keyClicks(&box, "x");
        QCOMPARE(recordset->Value("文件名").toString(), QStringLiteral("f0.mp3x"));
        QVERIFY(recordset->isRowPending(0));
        recordset->MoveNext();
        QCOMPARE(box.text(), QStringLiteral("f1.mp3"));
        recordset->MovePrevious();
        QCOMPARE(box.text(), QStringLiteral("f0.mp3x"));
    }

    void programmaticTextIsNoChange()
    {
        test::TestAppFolder folder;
        folder.addMappings(1);
        auto recordset = test::openEditorRecordset();
        QLineEdit box;
        FieldBinder binder(&box, "文件名");
        binder.setDataSource(recordset.get());
        box.setText("shown only");
        QVERIFY(!recordset->hasPendingChanges());
    }

    void typingWithoutCurrentRowChangesNothing()
    {
        test::TestAppFolder folder;
        auto recordset = test::openEditorRecordset();
        QLineEdit box;
        FieldBinder binder(&box, "键位");
        binder.setDataSource(recordset.get());
        QTest::keyClicks(&box, "abc");
        QCOMPARE(box.text(), QStringLiteral("abc"));
        QVERIFY(!recordset->hasPendingChanges());
        QCOMPARE(recordset->RecordCount(), 0);
    }

    void missingColumnFailsTheBinding()
    {
        test::TestAppFolder folder;
        folder.exec("DROP TABLE Config; CREATE TABLE Config (键位 TEXT, 其他 TEXT)");
        auto recordset = test::openEditorRecordset();
        QLineEdit box;
        FieldBinder binder(&box, "文件名");
        try {
            binder.setDataSource(recordset.get());
            QFAIL("bound to a column that does not exist");
        } catch (const Error& error) {
            QCOMPARE(error.number(), ErrorNumber::ItemNotFound);
            QVERIFY(error.description().contains("文件名"));
        }
        QCOMPARE(binder.dataSource(), nullptr);
    }
};

QTEST_MAIN(tst_FieldBinder)
#include "tst_FieldBinder.moc"
