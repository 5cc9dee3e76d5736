#include "EditorTestSupport.h"
#include "TestAppFolder.h"
#include "editor/SoundImport.h"
#include "platform/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace keysound;
using editor::SoundImport;

namespace {
struct Box {
    QString text;
    SoundImport::TextBox slot()
    {
        return {[this] { return text; }, [this](const QString& value) { text = value; }};
    }
};
}  // namespace

class tst_SoundImport : public QObject {
    Q_OBJECT
private slots:
    void copiesThePickedFileAndNamesItInTheRecord_data()
    {
        QTest::addColumn<QString>("pickedName");
        QTest::addColumn<bool>("existsAlready");
        QTest::newRow("mp3 picked through the first filter") << "ding.mp3" << false;
        QTest::newRow("other extension picked through (*.*)") << "ding.wav" << false;
        QTest::newRow("chinese name") << "叮当.mp3" << false;
        QTest::newRow("same name already in the sound folder is replaced") << "ding.mp3" << true;
        QTest::newRow("longest name the file system takes") << QString(251, QLatin1Char('n')) + ".mp3" << false;
    }
    void copiesThePickedFileAndNamesItInTheRecord()
    {
        QFETCH(QString, pickedName);
        QFETCH(bool, existsAlready);
        test::TestAppFolder folder;
        folder.addMappings(2);
        QTemporaryDir elsewhere;
        const QString picked = elsewhere.filePath(pickedName);
        QFile source(picked);
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write("new sound") == 9);
        source.close();
        if (existsAlready)
            folder.writeFile("MP3/" + pickedName, "old sound");
        auto recordset = test::openEditorRecordset();
        recordset->MoveNext();
        Box box{"f1.mp3"};
        const QString destination = QDir(folder.soundFolderPath()).filePath(pickedName);
        SoundImport(box.slot(), recordset.get(), folder.path()).run(editor::programPathText(picked));
        QCOMPARE(box.text, pickedName);
        QCOMPARE(test::fileContent(destination), QByteArray("new sound"));
        QCOMPARE(recordset->Value("文件名").toString(), pickedName);
        QCOMPARE(recordset->Value("键位").toString(), QStringLiteral("k1"));
        QVERIFY(recordset->isRowPending(1));
    }

    void fileAlreadyInTheSoundFolderIsLeftUntouched()
    {
        test::TestAppFolder folder;
        folder.addMappings(1);
        const QString inPlace = folder.writeFile("MP3/here.mp3", "the only copy");
        const QDateTime modified = QFileInfo(inPlace).lastModified();
        auto recordset = test::openEditorRecordset();
        Box box;
        SoundImport(box.slot(), recordset.get(), folder.path()).run(editor::programPathText(inPlace));
        QCOMPARE(test::fileContent(inPlace), QByteArray("the only copy"));
        QCOMPARE(QFileInfo(inPlace).lastModified(), modified);
        QCOMPARE(recordset->Value("文件名").toString(), QStringLiteral("here.mp3"));
    }

    void failedCopyPutsTheEarlierTextBackAndLeavesTheRecord_data()
    {
        QTest::addColumn<QString>("why");
        QTest::newRow("sound folder missing") << "no folder";
        QTest::newRow("destination cannot be replaced") << "protected";
        QTest::newRow("picked file vanished") << "no source";
    }
    void failedCopyPutsTheEarlierTextBackAndLeavesTheRecord()
    {
        QFETCH(QString, why);
        test::TestAppFolder folder;
        folder.addMappings(1);
        QTemporaryDir elsewhere;
        const QString picked = elsewhere.filePath("ding.mp3");
        if (why != "no source")
            QFile(picked).open(QIODevice::WriteOnly);
        std::unique_ptr<test::WriteProtectedFile> protection;
        const QString existing = folder.writeFile("MP3/ding.mp3", "old sound");
        if (why == "no folder")
            QDir(folder.soundFolderPath()).removeRecursively();
        if (why == "protected") {
            protection = std::make_unique<test::WriteProtectedFile>(existing);
            if (!protection->ok())
                QSKIP("this file system cannot protect a file from its owner");
        }
        auto recordset = test::openEditorRecordset();
        Box box{"typed before"};
        try {
            SoundImport(box.slot(), recordset.get(), folder.path()).run(editor::programPathText(picked));
            QFAIL("the failed copy was not reported");
        } catch (const Error& error) {
            QCOMPARE(error.number(), ErrorNumber::FileAccess);
            QVERIFY2(error.description().contains("ding.mp3"), qPrintable(error.description()));
        }
        QCOMPARE(box.text, QStringLiteral("typed before"));
        QCOMPARE(recordset->Value("文件名").toString(), QStringLiteral("f0.mp3"));
        QVERIFY(!recordset->hasPendingChanges());
        if (why != "no folder")
            QCOMPARE(test::fileContent(existing), QByteArray("old sound"));
    }

    void withoutCurrentRecordTheFileIsStillCopied()
    {
        test::TestAppFolder folder;
        QTemporaryDir elsewhere;
        const QString picked = elsewhere.filePath("ding.mp3");
        QFile(picked).open(QIODevice::WriteOnly);
        auto recordset = test::openEditorRecordset();
        Box box;
        SoundImport(box.slot(), recordset.get(), folder.path()).run(editor::programPathText(picked));
        QCOMPARE(box.text, QStringLiteral("ding.mp3"));
        QVERIFY(QFileInfo::exists(QDir(folder.soundFolderPath()).filePath("ding.mp3")));
        QCOMPARE(recordset->RecordCount(), 0);
    }

    void pathTexts()
    {
        QCOMPARE(editor::programPathText("/home/u/音频/a.mp3"), QStringLiteral("\\home\\u\\音频\\a.mp3"));
        QCOMPARE(editor::soundFileDestination("C:\\app", "a.mp3"), QStringLiteral("C:\\app\\MP3\\a.mp3"));
        QCOMPARE(editor::soundFileDestination("C:\\", "a.mp3"), QStringLiteral("C:\\\\MP3\\a.mp3"));
    }
};

QTEST_GUILESS_MAIN(tst_SoundImport)
#include "tst_SoundImport.moc"
