// Errors of the main window: each names the file, table or column, and an uncaught one ends the
// program after showing its number and description. The main window never writes to the store.
#include "RecordingCommandService.h"
#include "TestAppFolder.h"

#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "player/Form1.h"
#include "player/TextBoxes.h"

#include <QCryptographicHash>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace keysound;

class PlayerErrorsTest : public QObject {
    Q_OBJECT
private slots:
    void brokenStoreRaisesANamedError_data();
    void brokenStoreRaisesANamedError();
    void uncaughtErrorIsShownAndEndsTheProgram_data();
    void uncaughtErrorIsShownAndEndsTheProgram();
    void lookupsLeaveTheDatabaseFileUnchanged();
};

namespace {
enum Breakage { NoFile, EmptyFile, TextFile, NoTable, NoFileNameColumn, NoKeyColumn };

void breakStore(const test::TestAppFolder& folder, Breakage breakage)
{
    switch (breakage) {
    case NoFile:
        QFile::remove(folder.databasePath());
        break;
    case EmptyFile:
        folder.writeFile(QStringLiteral("db1.mdb"), QByteArray());
        break;
    case TextFile:
        folder.writeFile(QStringLiteral("db1.mdb"), "this is not a database\n");
        break;
    case NoTable:
        folder.exec(QStringLiteral("DROP TABLE Config; CREATE TABLE Other (x TEXT);"));
        break;
    case NoFileNameColumn:
        folder.exec(QStringLiteral("DROP TABLE Config; CREATE TABLE Config (键位 TEXT COLLATE NOCASE);"
                                   "INSERT INTO Config VALUES ('a');"));
        break;
    case NoKeyColumn:
        folder.exec(QStringLiteral("DROP TABLE Config; CREATE TABLE Config (文件名 TEXT);"));
        break;
    }
}
}  // namespace

void PlayerErrorsTest::brokenStoreRaisesANamedError_data()
{
    QTest::addColumn<int>("breakage");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("named");
    QTest::newRow("database file missing") << int(NoFile) << ErrorNumber::DatabaseNotFound << "db1.mdb";
    QTest::newRow("database file empty") << int(EmptyFile) << ErrorNumber::UnrecognizedFormat << "db1.mdb";
    QTest::newRow("not a database") << int(TextFile) << ErrorNumber::UnrecognizedFormat << "db1.mdb";
    QTest::newRow("no Config table") << int(NoTable) << ErrorNumber::TableNotFound << "Config";
    QTest::newRow("no 文件名 column") << int(NoFileNameColumn) << ErrorNumber::ItemNotFound << "文件名";
    QTest::newRow("no 键位 column") << int(NoKeyColumn) << ErrorNumber::ItemNotFound << "键位";
}

void PlayerErrorsTest::brokenStoreRaisesANamedError()
{
    QFETCH(int, breakage);
    QFETCH(int, number);
    QFETCH(QString, named);
    test::TestAppFolder folder;
    breakStore(folder, Breakage(breakage));
    test::RecordingCommandService media;
    player::Form1 form(media);
    form.Text1->setText(QString());
    try {
        form.Text1_KeyPress(U'a');
        QFAIL("the key press should have failed");
    } catch (const Error& error) {
        QCOMPARE(error.number(), number);
        QVERIFY2(error.description().contains(named), qPrintable(error.description()));
    }
    QVERIFY(form.Text2->Text().isEmpty());  // the later steps did not run
    QCOMPARE(form.Text1->text(), QStringLiteral("a"));
}

void PlayerErrorsTest::uncaughtErrorIsShownAndEndsTheProgram_data()
{
    QTest::addColumn<bool>("throughEditor");
    QTest::newRow("a key press") << false;
    QTest::newRow("the editor button") << true;
}

void PlayerErrorsTest::uncaughtErrorIsShownAndEndsTheProgram()
{
    QFETCH(bool, throughEditor);
    test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
    test::RecordingCommandService media;
    player::Form1 form(media);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList shown;
    const auto previous = platform::setMessageBoxHandler([&](QWidget*, const QString& text) { shown << text; });
    QTimer::singleShot(0, [&] {
        if (throughEditor)
            QTest::mouseClick(form.Command1, Qt::LeftButton);
        else
            QTest::keyClick(form.Text1, Qt::Key_A);
    });
    const int status = QCoreApplication::exec();
    platform::setMessageBoxHandler(previous);

    QCOMPARE(status, platform::Application::UncaughtErrorExitCode);
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].contains(QString::number(ErrorNumber::DatabaseNotFound)), qPrintable(shown[0]));
    QVERIFY(shown[0].contains(QStringLiteral("db1.mdb")));
}

void PlayerErrorsTest::lookupsLeaveTheDatabaseFileUnchanged()
{
    test::TestAppFolder folder;
    folder.addMapping(QStringLiteral("a"), QStringLiteral("a.mp3"));
    const auto hash = [&] {
        QFile file(folder.databasePath());
        file.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    };
    const QByteArray before = hash();
    test::RecordingCommandService media;
    player::Form1 form(media);
    for (char32_t key : U"aAz'\r")
        if (key)
            form.Text1_KeyPress(key);
    QCOMPARE(hash(), before);
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    PlayerErrorsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errors.moc"
