// The main window around its key handling: designed layout, activation and focus, short paths,
// accessibility, and the log box.
#include "RecordingCommandService.h"
#include "TestAppFolder.h"

#include "platform/Twips.h"
#include "player/Form1.h"
#include "player/TextBoxes.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace keysound;

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void designedLayout_data();
    void designedLayout();
    void startsClearedInSingleKeyMode();
    void focusFromAnotherControlClearsTheBox_data();
    void focusFromAnotherControlClearsTheBox();
    void shortPathName_data();
    void shortPathName();
    void screenReadersFindNamedControlsAndTheLogNewestFirst();
    void prependGivesTheSameTextAsWritingInFront();

private:
    std::unique_ptr<test::TestAppFolder> folder;
    std::unique_ptr<test::RecordingCommandService> media;
    std::unique_ptr<player::Form1> form;
};

void Form1Test::init()
{
    folder = std::make_unique<test::TestAppFolder>();
    media = std::make_unique<test::RecordingCommandService>();
    form = std::make_unique<player::Form1>(*media);
}

void Form1Test::cleanup()
{
    form.reset();
    media.reset();
    folder.reset();
}

void Form1Test::designedLayout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Command1") << "Command1" << QRect(480, 360, 1935, 960);
    QTest::newRow("Text1") << "Text1" << QRect(120, 2280, 5895, 495);
    QTest::newRow("Label1") << "Label1" << QRect(240, 1680, 4530, 195);
    QTest::newRow("Text2") << "Text2" << QRect(120, 3120, 5895, 2535);
    QTest::newRow("Check1") << "Check1" << QRect(3000, 1200, 1335, 375);
}

void Form1Test::designedLayout()
{
    QFETCH(QString, control);
    QFETCH(QRect, twips);
    const QMap<QString, QWidget*> controls{{"Command1", form->Command1}, {"Text1", form->Text1}, {"Label1", form->Label1},
                                           {"Text2", form->Text2}, {"Check1", form->Check1}};
    const double dpi = platform::logicalDpi(form.get());
    const QRect pixels(platform::twipsToPixels(twips.x(), dpi), platform::twipsToPixels(twips.y(), dpi),
                       platform::twipsToPixels(twips.width(), dpi), platform::twipsToPixels(twips.height(), dpi));
    QCOMPARE(controls[control]->geometry(), pixels);
    QCOMPARE(form->size(), QSize(platform::twipsToPixels(6105, dpi), platform::twipsToPixels(5655, dpi)));
}

void Form1Test::startsClearedInSingleKeyMode()
{
    QCOMPARE(form->Text1->text(), QStringLiteral("Text1"));  // the designed text, until activation
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(form->Text1->text(), QString());
    QCOMPARE(form->Check1Value(), 1);
    QVERIFY(form->Text1->Tag.isEmpty());
    QVERIFY(form->Text2->Text().isEmpty());
}

void Form1Test::focusFromAnotherControlClearsTheBox_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("Tab") << int(Qt::TabFocusReason) << true;
    QTest::newRow("mouse click") << int(Qt::MouseFocusReason) << true;
    QTest::newRow("window re-activation (activation clears instead)") << int(Qt::ActiveWindowFocusReason) << false;
}

void Form1Test::focusFromAnotherControlClearsTheBox()
{
    QFETCH(int, reason);
    QFETCH(bool, cleared);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->Command1->setFocus();
    form->Text1->setText(QStringLiteral("unfinished word"));
    form->Text1->Tag = QStringLiteral("kept");
    form->Text1->setFocus(Qt::FocusReason(reason));
    QCOMPARE(form->Text1->text().isEmpty(), cleared);
    QCOMPARE(form->Text1->Tag, QStringLiteral("kept"));
}

void Form1Test::shortPathName_data()
{
    QTest::addColumn<int>("length");  // 8-bit length of an existing path, 0: a missing path
    QTest::addColumn<bool>("returnedWhole");
    QTest::newRow("missing path gives the empty text") << 0 << false;
    QTest::newRow("253 bytes fit with the terminator") << 253 << true;
    QTest::newRow("254 bytes do not fit") << 254 << false;
}

void Form1Test::shortPathName()
{
    QFETCH(int, length);
    QFETCH(bool, returnedWhole);
    QString path = folder->path() + QStringLiteral("/MP3/");
    if (length == 0) {
        QCOMPARE(form->ShortPathName(path + QStringLiteral("missing.mp3")), QString());
        return;
    }
    // Reach the wanted length with nested folders of at most 200 bytes each.
    QString relative;
    while (path.toUtf8().size() + 1 < length) {
        const int room = qMin(200, length - int(path.toUtf8().size()) - 1);
        if (room < 1)
            break;
        relative = QString(room, QLatin1Char('d'));
        path += relative + QLatin1Char('/');
    }
    path.chop(1);
    while (path.toUtf8().size() < length)
        path += QLatin1Char('x');
    QVERIFY(QDir().mkpath(path));
    QCOMPARE(path.toUtf8().size(), length);
    QCOMPARE(form->ShortPathName(path), returnedWhole ? path : QString());
}

void Form1Test::screenReadersFindNamedControlsAndTheLogNewestFirst()
{
    for (QWidget* control : std::initializer_list<QWidget*>{form->Text1, form->Text2, form->Check1, form->Command1}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        QVERIFY(accessible);
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(control->metaObject()->className()));
    }
    form->Text2->prependText(QStringLiteral("older\r\n\r\n"));
    form->Text2->prependText(QStringLiteral("newest\r\n\r\n"));
    QAccessibleTextInterface* log = QAccessible::queryAccessibleInterface(form->Text2)->textInterface();
    QVERIFY(log);
    QCOMPARE(log->text(0, log->characterCount()), QStringLiteral("newest\n\nolder\n\n"));
}

void Form1Test::prependGivesTheSameTextAsWritingInFront()
{
    QString expected = QStringLiteral("typed by the user\r\nsecond line");
    form->Text2->setText(expected);
    for (int i = 0; i < 500; ++i) {
        // Every seventh entry is the Enter key looked up in single-key mode: a carriage return of its own.
        const QString entry = i % 7 ? QStringLiteral("entry %1\r\n\r\n").arg(i) : QStringLiteral("key \r\r\n\r\n");
        form->Text2->prependText(entry);
        expected = entry + expected;
    }
    QCOMPARE(form->Text2->Text(), expected);
}

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
