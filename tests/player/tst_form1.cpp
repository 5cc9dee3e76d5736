// The main window around its key handling: layout, activation and focus, tab order,
// accessibility, and the log box.
#include "RecordingCommandService.h"
#include "TestAppFolder.h"

#include "platform/Twips.h"
#include "player/Form1.h"
#include "player/TextBoxes.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace keysound;

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutIsInTwipsFromTheClientOrigin();
    void designedTextIsGoneWhenShown();
    void comingBackFromAnotherProgramKeepsTheWord();
    void focusFromAnotherControlClearsTheBox_data();
    void focusFromAnotherControlClearsTheBox();
    void closingTheContextMenuKeepsTheWord();
    void tabWalksTheDesignedOrder();
    void screenReadersFindNamedControls();
    void logTextGivesBackExactlyWhatWasWritten();

private:
    void showActive();
    void typeWordUnfinished(const QString& word);

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

void Form1Test::showActive()
{
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
}

void Form1Test::typeWordUnfinished(const QString& word)
{
    form->Check1->setCheckState(Qt::Unchecked);
    form->Text1->setFocus();
    QTest::keyClicks(form->Text1, word);
    QCOMPARE(form->Text1->text(), word);
}

void Form1Test::layoutIsInTwipsFromTheClientOrigin()
{
    if (platform::logicalDpi(form.get()) != 96)
        QSKIP("the pixel figures below are for 96 dpi");
    QCOMPARE(form->Command1->pos(), QPoint(32, 24));  // 480, 360 twips at 15 twips a pixel
    QCOMPARE(form->Text2->geometry().bottom() + 1, form->height());  // the log reaches the client's bottom edge
}

// The designed text goes as the window shows: activation comes later, from the window system,
// and may never come.
void Form1Test::designedTextIsGoneWhenShown()
{
    QCOMPARE(form->Text1->text(), QStringLiteral("Text1"));
    form->show();
    QVERIFY(!form->isActiveWindow());
    QCOMPARE(form->Text1->text(), QString());
}

void Form1Test::comingBackFromAnotherProgramKeepsTheWord()
{
    showActive();
    typeWordUnfinished(QStringLiteral("hel"));
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(form->Text1->text(), QStringLiteral("hel"));
}

void Form1Test::focusFromAnotherControlClearsTheBox_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("Tab") << int(Qt::TabFocusReason) << true;
    QTest::newRow("mouse click") << int(Qt::MouseFocusReason) << true;
    QTest::newRow("window re-activation") << int(Qt::ActiveWindowFocusReason) << false;
}

void Form1Test::focusFromAnotherControlClearsTheBox()
{
    QFETCH(int, reason);
    QFETCH(bool, cleared);
    showActive();
    form->Command1->setFocus();
    form->Text1->setText(QStringLiteral("unfinished word"));
    form->Text1->Tag = QStringLiteral("kept");
    form->Text1->setFocus(Qt::FocusReason(reason));
    QCOMPARE(form->Text1->text().isEmpty(), cleared);
    QCOMPARE(form->Text1->Tag, QStringLiteral("kept"));
}

void Form1Test::closingTheContextMenuKeepsTheWord()
{
    showActive();
    typeWordUnfinished(QStringLiteral("hel"));
    QContextMenuEvent menuRequest(QContextMenuEvent::Keyboard, QPoint(4, 4), form->Text1->mapToGlobal(QPoint(4, 4)));
    QCoreApplication::sendEvent(form->Text1, &menuRequest);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QApplication::activePopupWidget()->close();
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QVERIFY(form->Text1->hasFocus());
    QCOMPARE(form->Text1->text(), QStringLiteral("hel"));
}

void Form1Test::tabWalksTheDesignedOrder()
{
    showActive();
    form->Command1->setFocus();
    QList<QWidget*> reached;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget();
    }
    const QList<QWidget*> designed{form->Text1, form->Text2, form->Check1, form->Command1};
    QCOMPARE(reached, designed);
    QVERIFY(form->Text2->Text().isEmpty());  // Tab in the log moved on instead of typing
}

void Form1Test::screenReadersFindNamedControls()
{
    for (QWidget* control : std::initializer_list<QWidget*>{form->Text1, form->Text2, form->Check1, form->Command1}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        QVERIFY(accessible);
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(control->metaObject()->className()));
    }
}

// Control characters shown as pictures come back as themselves; pictures the user typed stay pictures.
void Form1Test::logTextGivesBackExactlyWhatWasWritten()
{
    QString expected = QStringLiteral("typed by the user: \u2420\u2408\u21B5\r\nsecond line");
    form->Text2->setText(expected);
    const QStringList controls{"\r", "\b", "\x1b", "\x01", "\n", "\x7f", " \t "};
    for (int i = 0; i < 500; ++i) {
        const QString entry = i % 3 ? QStringLiteral("entry %1\r\n\r\n").arg(i)
                                    : QStringLiteral("key ") + controls[i % controls.size()] + QStringLiteral("\r\n\r\n");
        form->Text2->prependText(entry);
        expected = entry + expected;
    }
    QCOMPARE(form->Text2->Text(), expected);
}

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
