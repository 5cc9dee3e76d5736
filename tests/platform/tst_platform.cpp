// The services the windows rely on: the file-open dialog's entries, twips, the normal-file
// lookup and the replacing copy.
#include "TestAppFolder.h"

#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/FileServices.h"
#include "platform/Twips.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QtTest>

using namespace keysound;

namespace {
QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
}  // namespace

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

    // MP3/s.mp3 before the copy: absent, a file, a link planted to a file outside MP3 or to the
    // picked file, or the picked file itself. Afterwards a regular file, and no other file in MP3.
    void copy_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("fails");
        QTest::newRow("no file of that name") << "" << QByteArray("picked") << false;
        QTest::newRow("a file of that name is replaced") << "file" << QByteArray("picked") << false;
        QTest::newRow("a link to a file outside MP3 is replaced") << "link outside" << QByteArray("picked") << false;
        QTest::newRow("a link to the picked file is replaced") << "link source" << QByteArray("picked") << false;
        QTest::newRow("the picked file is the destination") << "same" << QByteArray("picked") << false;
        QTest::newRow("picked file missing: the old file stays") << "file, no source" << QByteArray("old") << true;
        QTest::newRow("destination folder missing") << "no folder" << QByteArray("<unreadable>") << true;
    }
    void copy()
    {
        QFETCH(QString, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, fails);
        test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
        const QString outside = folder.writeFile("outside/s.mp3", "outside");
        const QString destination = folder.soundFolderPath() + "/s.mp3";
        QString source = folder.writeFile("picked/s.mp3", "picked"), destinationText = folder.path() + "\\MP3\\s.mp3";
        if (before.startsWith("file"))
            folder.writeFile("MP3/s.mp3", "old");
        else if (before.startsWith("link"))
            QFile::link(before == "link outside" ? outside : source, destination);
        else if (before == "same")
            source = folder.writeFile("MP3/s.mp3", "picked");
        if (before.endsWith("no source"))
            source += ".gone";
        else if (before == "no folder")
            destinationText = folder.path() + "\\NoSuchFolder\\s.mp3";
        try {
            platform::copyFileReplacing(source, destinationText);
            QVERIFY2(!fails, "the copy should have failed");
        } catch (const Error& error) {
            QVERIFY2(fails, qPrintable(error.description()));
            QCOMPARE(error.number(), ErrorNumber::FileAccess);
            QVERIFY(error.description().contains("s.mp3"));
            QVERIFY2(!error.description().contains('\\'), qPrintable(error.description()));  // native paths
        }
        QVERIFY(!QFileInfo(destination).isSymLink());
        QCOMPARE(contentOf(destination), after);
        QCOMPARE(contentOf(outside), QByteArray("outside"));
        const QStringList left = QDir(folder.soundFolderPath()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        QCOMPARE(left, after == "<unreadable>" ? QStringList() : QStringList{"s.mp3"});
    }
};

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
