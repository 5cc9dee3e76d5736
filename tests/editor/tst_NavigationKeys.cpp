#include "editor/NavigationKeys.h"

#include <QTest>

using namespace keysound::editor;

Q_DECLARE_METATYPE(KeyCommand)

class tst_NavigationKeys : public QObject {
    Q_OBJECT
private slots:
    void keyTable_data()
    {
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<int>("shift");
        QTest::addColumn<KeyCommand>("expected");
        struct Row { const char* name; int key; int shift; KeyCommand command; };
        const Row rows[] = {
            {"Esc", 27, 0, KeyCommand::Close},
            {"Ctrl+Esc", 27, 2, KeyCommand::Close},
            {"End", 35, 0, KeyCommand::Last},
            {"Ctrl+End", 35, 2, KeyCommand::Last},
            {"Ctrl+Shift+Alt+End", 35, 7, KeyCommand::Last},
            {"Home", 36, 0, KeyCommand::First},
            {"Shift+Home", 36, 1, KeyCommand::First},
            {"Up", 38, 0, KeyCommand::Previous},
            {"Ctrl+Up", 38, 2, KeyCommand::First},
            {"Ctrl+Shift+Up goes one row only", 38, 3, KeyCommand::Previous},
            {"Alt+Up", 38, 4, KeyCommand::Previous},
            {"Ctrl+Alt+Up", 38, 6, KeyCommand::Previous},
            {"PageUp", 33, 0, KeyCommand::Previous},
            {"Ctrl+PageUp", 33, 2, KeyCommand::First},
            {"Down", 40, 0, KeyCommand::Next},
            {"Ctrl+Down", 40, 2, KeyCommand::Last},
            {"Ctrl+Shift+Down", 40, 3, KeyCommand::Next},
            {"Shift+Down", 40, 1, KeyCommand::Next},
            {"PageDown", 34, 0, KeyCommand::Next},
            {"Ctrl+PageDown", 34, 2, KeyCommand::Last},
            {"Ctrl+Alt+PageDown", 34, 6, KeyCommand::Next},
            {"Left arrow", 37, 0, KeyCommand::None},
            {"Right arrow", 39, 2, KeyCommand::None},
            {"Enter", 13, 0, KeyCommand::None},
            {"letter A", 65, 0, KeyCommand::None},
            {"unmapped key", 0, 0, KeyCommand::None},
        };
        for (const Row& row : rows)
            QTest::newRow(row.name) << row.key << row.shift << row.command;
    }
    void keyTable()
    {
        QFETCH(int, keyCode);
        QFETCH(int, shift);
        QFETCH(KeyCommand, expected);
        QCOMPARE(keyCommand(keyCode, shift), expected);
    }

    void qtKeysBecomeKeyCodes_data()
    {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("keyCode");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 27;
        QTest::newRow("PageUp") << int(Qt::Key_PageUp) << 33;
        QTest::newRow("PageDown") << int(Qt::Key_PageDown) << 34;
        QTest::newRow("End") << int(Qt::Key_End) << 35;
        QTest::newRow("Home") << int(Qt::Key_Home) << 36;
        QTest::newRow("Up") << int(Qt::Key_Up) << 38;
        QTest::newRow("Down") << int(Qt::Key_Down) << 40;
        QTest::newRow("Left is no navigation key") << int(Qt::Key_Left) << 0;
        QTest::newRow("A") << int(Qt::Key_A) << 0;
    }
    void qtKeysBecomeKeyCodes()
    {
        QFETCH(int, qtKey);
        QFETCH(int, keyCode);
        QCOMPARE(keyCodeOf(qtKey), keyCode);
    }

    void modifiersBecomeShiftBits_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("shift");
        QTest::newRow("none") << Qt::KeyboardModifiers() << 0;
        QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier) << 1;
        QTest::newRow("Ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier) << 2;
        QTest::newRow("Alt") << Qt::KeyboardModifiers(Qt::AltModifier) << 4;
        QTest::newRow("Ctrl+Shift") << (Qt::ControlModifier | Qt::ShiftModifier) << 3;
        QTest::newRow("all three") << (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier) << 7;
        QTest::newRow("keypad is not a shift bit") << Qt::KeyboardModifiers(Qt::KeypadModifier) << 0;
    }
    void modifiersBecomeShiftBits()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, shift);
        QCOMPARE(shiftStateOf(modifiers), shift);
    }
};

QTEST_GUILESS_MAIN(tst_NavigationKeys)
#include "tst_NavigationKeys.moc"
