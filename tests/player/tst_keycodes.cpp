// Which key events are keys of the key-entry box, and their codes.
#include "player/KeyCodes.h"

#include <QKeyEvent>
#include <QtTest>

using keysound::player::keyCodesOf;

class KeyCodesTest : public QObject {
    Q_OBJECT
private slots:
    void codes_data();
    void codes();
};

void KeyCodesTest::codes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<char32_t>>("expected");

    QTest::newRow("shifted letter") << int(Qt::Key_A) << int(Qt::ShiftModifier) << "A" << QList<char32_t>{U'A'};
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << "\r" << QList<char32_t>{13};
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r" << QList<char32_t>{13};
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << "\b" << QList<char32_t>{8};
    QTest::newRow("Esc") << int(Qt::Key_Escape) << 0 << "\x1b" << QList<char32_t>{27};
    QTest::newRow("Ctrl+A without control text") << int(Qt::Key_A) << int(Qt::ControlModifier) << "" << QList<char32_t>{1};
    QTest::newRow("Ctrl+Z with control text") << int(Qt::Key_Z) << int(Qt::ControlModifier) << "\x1a" << QList<char32_t>{26};
    QTest::newRow("keypad digit") << int(Qt::Key_5) << int(Qt::KeypadModifier) << "5" << QList<char32_t>{U'5'};
    QTest::newRow("character outside the BMP") << int(Qt::Key_unknown) << 0 << "😀" << QList<char32_t>{0x1F600};
    QTest::newRow("two characters in one event") << int(Qt::Key_unknown) << 0 << "ab" << QList<char32_t>{U'a', U'b'};
    QTest::newRow("Tab moves the focus") << int(Qt::Key_Tab) << 0 << "\t" << QList<char32_t>{};
    QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << "\x7f" << QList<char32_t>{};
    QTest::newRow("arrow") << int(Qt::Key_Left) << 0 << "" << QList<char32_t>{};
    QTest::newRow("function key") << int(Qt::Key_F5) << 0 << "" << QList<char32_t>{};
    QTest::newRow("Alt+letter") << int(Qt::Key_A) << int(Qt::AltModifier) << "a" << QList<char32_t>{};
    QTest::newRow("logo key+letter") << int(Qt::Key_A) << int(Qt::MetaModifier) << "a" << QList<char32_t>{};
    QTest::newRow("AltGr on X11") << int(Qt::Key_At) << int(Qt::GroupSwitchModifier) << "@" << QList<char32_t>{U'@'};
    QTest::newRow("AltGr as Ctrl+Alt") << int(Qt::Key_Q) << int(Qt::ControlModifier | Qt::AltModifier) << "@" << QList<char32_t>{U'@'};
    QTest::newRow("Ctrl+digit") << int(Qt::Key_1) << int(Qt::ControlModifier) << "1" << QList<char32_t>{};
}

void KeyCodesTest::codes()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QList<char32_t>, expected);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QCOMPARE(keyCodesOf(event), expected);
}

QTEST_MAIN(KeyCodesTest)
#include "tst_keycodes.moc"
