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

};

QTEST_GUILESS_MAIN(tst_NavigationKeys)
#include "tst_NavigationKeys.moc"
