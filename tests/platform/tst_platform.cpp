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
        QCOMPARE(entries->count(), 2);
        QCOMPARE((QStringList{entries->itemText(0), entries->itemText(1)}), (QStringList{"(*.mp3)", "(*.*)"}));
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        QVERIFY(dialog.nameFilters().value(1).endsWith("(*)"));  // "*.*" would hide files without an extension
    }

    void twips()  // to the nearest pixel, and back
    {
        QCOMPARE(platform::twipsToPixels(345, 96), 23);
        QCOMPARE(platform::twipsToPixels(1440, 120), 120);
        QCOMPARE(platform::twipsToPixels(platform::pixelsToTwips(23, 96), 96), 23);
    }

    void normalFile()
    {
        test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
        folder.writeFile("MP3/a.mp3", "x");
        folder.writeFile("MP3/.hidden.mp3", "x");
        QVERIFY(platform::isNormalFile(folder.path() + "\\MP3\\a.mp3"));
        for (const char* other : {"\\MP3", "\\MP3\\.hidden.mp3"})  // a folder, a hidden file
            QVERIFY2(!platform::isNormalFile(folder.path() + other), other);
        QVERIFY(!platform::isNormalFile(QString()));
    }
};

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
