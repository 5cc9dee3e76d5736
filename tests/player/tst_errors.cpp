// Errors of the main window: each names the file, table or column, and an uncaught one ends the
// program after showing its number and description.
#include "RecordingCommandService.h"
#include "TestAppFolder.h"

#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "player/Form1.h"
#include "player/TextBoxes.h"

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
};

void PlayerErrorsTest::brokenStoreRaisesANamedError_data()
{
    QTest::addColumn<QString>("breakingSql");  // empty: the database file is removed
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("named");
    QTest::newRow("database file missing") << QString() << ErrorNumber::DatabaseNotFound << "db1.mdb";
    QTest::newRow("no Config table") << "DROP TABLE Config; CREATE TABLE Other (x TEXT);" << ErrorNumber::TableNotFound << "Config";
    QTest::newRow("no 文件名 column") << "DROP TABLE Config; CREATE TABLE Config (键位 TEXT); INSERT INTO Config VALUES ('a');"
                                      << ErrorNumber::ItemNotFound << "文件名";
}

void PlayerErrorsTest::brokenStoreRaisesANamedError()
{
    QFETCH(QString, breakingSql);
    QFETCH(int, number);
    QFETCH(QString, named);
    test::TestAppFolder folder;
    if (breakingSql.isEmpty())
        QFile::remove(folder.databasePath());
    else
        folder.exec(breakingSql);
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

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    PlayerErrorsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errors.moc"
