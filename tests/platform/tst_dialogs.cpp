// The file-open dialog's entries and twips arithmetic.
#include "platform/Dialogs.h"
#include "platform/Twips.h"

#include <QComboBox>
#include <QFileDialog>
#include <QtTest>

using namespace keysound::platform;

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void openDialogShowsTheDesignedEntries();
    void twips_data();
    void twips();
};

void DialogsTest::openDialogShowsTheDesignedEntries()
{
    QFileDialog dialog;
    prepareOpenDialog(dialog, "(*.mp3)|*.mp3|(*.*)|*.*");
    auto* entries = dialog.findChild<QComboBox*>("fileTypeCombo");
    QVERIFY(entries);
    QStringList shown;
    for (int i = 0; i < entries->count(); ++i)
        shown << entries->itemText(i);
    QCOMPARE(shown, (QStringList{"(*.mp3)", "(*.*)"}));
    QCOMPARE(entries->currentIndex(), 0);
    QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
    // "*.*" would hide the files without an extension on this system
    QVERIFY(dialog.nameFilters().value(1).endsWith("(*)"));
}

void DialogsTest::twips_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::newRow("15 twips per pixel at 96 dpi") << 6045.0 << 96.0 << 403;
    QTest::newRow("rounds to the nearest pixel") << 345.0 << 96.0 << 23;
    QTest::newRow("120 dpi") << 1440.0 << 120.0 << 120;
}

void DialogsTest::twips()
{
    QFETCH(double, twips);
    QFETCH(double, dpi);
    QFETCH(int, pixels);
    QCOMPARE(twipsToPixels(twips, dpi), pixels);
    QCOMPARE(twipsToPixels(pixelsToTwips(pixels, dpi), dpi), pixels);
}

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
