#include "EditorTestSupport.h"
#include "TestAppFolder.h"
#include "editor/frmConfig.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace keysound;
using editor::frmConfig;

namespace {
QString makeSound(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    QFile file(dir.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return file.fileName();
}
}  // namespace

class tst_frmConfigImport : public QObject {
    Q_OBJECT
private slots:
    void importNamesTheFileInTheCurrentRecord()
    {
        test::TestAppFolder folder;
        folder.addMappings(2);
        QTemporaryDir elsewhere;
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.cmdNext->click();
        seams.nextPick = makeSound(elsewhere, "叮.mp3", "sound");
        window.Command1->click();
        QCOMPARE(seams.filters, QStringList{"(*.mp3)|*.mp3|(*.*)|*.*"});
        QCOMPARE(window.txtFields[1]->text(), QStringLiteral("叮.mp3"));
        QCOMPARE(window.adoPrimaryRS->Value("文件名").toString(), QStringLiteral("叮.mp3"));
        QCOMPARE(test::fileContent(QDir(folder.soundFolderPath()).filePath("叮.mp3")), QByteArray("sound"));
        QCOMPARE(test::lookedUpFileName("k1"), QVariant("f1.mp3"));  // pending until Update
        window.cmdEdit->click();
        window.cmdUpdate->click();
        QCOMPARE(test::lookedUpFileName("k1"), QVariant("叮.mp3"));
    }

    void cancelChangesNothingAlsoAfterAnEarlierPick()
    {
        test::TestAppFolder folder;
        folder.addMappings(2);
        QTemporaryDir elsewhere;
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.Command1->click();  // nothing picked yet
        QCOMPARE(window.txtFields[1]->text(), QStringLiteral("f0.mp3"));
        seams.nextPick = makeSound(elsewhere, "a.mp3", "first");
        window.Command1->click();
        window.cmdNext->click();
        const QString copy = QDir(folder.soundFolderPath()).filePath("a.mp3");
        QFile::remove(copy);
        seams.nextPick.clear();
        window.Command1->click();
        QCOMPARE(seams.filters.size(), 3);
        QVERIFY(!QFile::exists(copy));  // the earlier import is not repeated
        QCOMPARE(window.txtFields[1]->text(), QStringLiteral("f1.mp3"));
        QVERIFY(!window.adoPrimaryRS->isRowPending(1));
    }

    void failedCopyIsReportedAndUndone()
    {
        test::TestAppFolder folder;
        folder.addMappings(1);
        QTemporaryDir elsewhere;
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        QDir(folder.soundFolderPath()).removeRecursively();
        seams.nextPick = makeSound(elsewhere, "b.mp3", "x");
        window.Command1->click();
        QCOMPARE(seams.messages.size(), 1);
        QVERIFY2(seams.messages[0].contains("b.mp3"), qPrintable(seams.messages[0]));
        QCOMPARE(window.txtFields[1]->text(), QStringLiteral("f0.mp3"));
        QVERIFY(!window.adoPrimaryRS->hasPendingChanges());
    }

    void importWhileAddingIsSavedWithTheNewRow()
    {
        test::TestAppFolder folder;
        QTemporaryDir elsewhere;
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.cmdAdd->click();
        window.txtFields[0]->setFocus();
        QTest::keyClicks(window.txtFields[0], "z");
        seams.nextPick = makeSound(elsewhere, "z.ogg", "z");
        window.Command1->click();
        window.cmdUpdate->click();
        QVERIFY(seams.messages.isEmpty());
        QCOMPARE(test::lookedUpFileName("z"), QVariant("z.ogg"));
    }
};

QTEST_MAIN(tst_frmConfigImport)
#include "tst_frmConfigImport.moc"
