// The services the windows rely on: the file-open dialog's entries, twips and the normal-file
// lookup (the replacing copy is tried through the editor's import).
#include "TestAppFolder.h"

#include "platform/Dialogs.h"
#include "platform/FileServices.h"
#include "platform/Twips.h"

#include <QComboBox>
#include <QFileDialog>
#include <QtTest>

using namespace keysound;

class tst_platform : public QObject {
    Q_OBJECT
private slots:
    void openDialogShowsTheEntriesByName()
    {
        QFileDialog dialog;
        platform::prepareOpenDialog(dialog, "(*.mp3)|*.mp3|(*.*)|*.*");
        auto* entries = dialog.findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(entries);
        QCOMPARE(entries->count(), 2);
        QCOMPARE((QStringList{entries->itemText(0), entries->itemText(1)}), (QStringList{"(*.mp3)", "(*.*)"}));
        QCOMPARE(entries->currentIndex(), 0);
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        QVERIFY(dialog.nameFilters().value(1).endsWith("(*)"));  // "*.*" would hide files without an extension
    }

    void twips_data()
    {
        QTest::addColumn<double>("twips");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("rounds to the nearest pixel at 96 dpi") << 345.0 << 96.0 << 23;
        QTest::newRow("120 dpi") << 1440.0 << 120.0 << 120;
    }
    void twips()
    {
        QFETCH(double, twips);
        QFETCH(double, dpi);
        QFETCH(int, pixels);
        QCOMPARE(platform::twipsToPixels(twips, dpi), pixels);
        QCOMPARE(platform::twipsToPixels(platform::pixelsToTwips(pixels, dpi), dpi), pixels);
    }

    void normalFile_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("normal");
        QTest::newRow("existing file") << "MP3\\a.mp3" << true;
        QTest::newRow("missing file") << "MP3\\missing.mp3" << false;
        QTest::newRow("folder") << "MP3" << false;
        QTest::newRow("hidden file") << "MP3\\.hidden.mp3" << false;
        QTest::newRow("empty path") << "" << false;
    }
    void normalFile()
    {
        QFETCH(QString, relative);
        QFETCH(bool, normal);
        test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
        folder.writeFile("MP3/a.mp3", "x"), folder.writeFile("MP3/.hidden.mp3", "x");
        QCOMPARE(platform::isNormalFile(relative.isEmpty() ? QString() : folder.path() + '\\' + relative), normal);
    }
};

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
