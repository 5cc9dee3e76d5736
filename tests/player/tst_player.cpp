// The main window: a key's road (stop, lookup, play, log) in both modes, the log box, focus and
// activation, the editor button, and errors that end the program.
#include "ScriptedDialogs.h"
#include "TestAppFolder.h"
#include "TestFiles.h"

#include "audio/CommandService.h"
#include "editor/frmConfig.h"
#include "platform/AnsiText.h"
#include "platform/Application.h"
#include "platform/Error.h"
#include "player/Form1.h"
#include "player/TextBoxes.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

using namespace keysound;

namespace {
// Records every media command as text instead of playing it.
struct RecordingCommandService : audio::CommandService {
    void sendString(const QByteArray& ansiCommand) override { commands << platform::fromAnsi(ansiCommand); }
    QStringList commands;
};

// The log's two texts, written out here rather than taken from the program.
QString hit(const QString& key) { return QStringLiteral("有对应音频记录,响应按键  ") + key + "\r\n\r\n"; }
QString miss(const QString& key) { return QStringLiteral("无对应音频记录 ---响应按键 ") + key + "\r\n\r\n"; }

// One key event; key 0 stands for an input-method commit of the text (empty: still composing).
struct Press {
    int key = 0;
    int modifiers = 0;
    QString text;
};
using Presses = QList<Press>;

// Text as the keyboard types it: Enter, Backspace and Esc by their keys, other control characters
// as Ctrl+letter with that text, as X11 sends it.
Presses typed(const QString& keys)
{
    const QHash<char32_t, int> named{{U'\r', Qt::Key_Return}, {U'\b', Qt::Key_Backspace}, {27, Qt::Key_Escape}};
    Presses presses;
    for (char32_t code : keys.toUcs4()) {
        Press press{.key = named.value(code, Qt::Key_unknown), .text = QString::fromUcs4(&code, 1)};
        if (code < 27 && !named.contains(code))
            press = {.key = Qt::Key_A + int(code) - 1, .modifiers = Qt::ControlModifier, .text = press.text};
        presses << press;
    }
    return presses;
}

Presses chord(int key, int modifiers, const QString& text) { return {Press{key, modifiers, text}}; }
Presses commit(const QString& text) { return {Press{0, 0, text}}; }

// Keys typed into the key box in a mode, and what follows: the media commands ("play x" or
// "stop x", x below MP3), the log, what the box holds and the sound the last found key named.
struct Keys {
    Presses presses;
    Qt::CheckState mode = Qt::Checked;  // of the mode box: checked is key mode, else word mode
    QStringList commands = {};
    QString log = {};
    QString box = {};
    std::optional<QString> lastSound = {};  // below MP3; none: no key was found yet
    std::optional<QString> shown = {};  // the log as it shows, control keys as pictures
};

enum FocusReturn { MouseClick, BackFromOtherProgram, ContextMenuClosed };
}  // namespace
Q_DECLARE_METATYPE(Press)
Q_DECLARE_METATYPE(Keys)
Q_DECLARE_METATYPE(FocusReturn)

class PlayerTest : public QObject {
    Q_OBJECT
public:
    test::ScriptedDialogs dialogs;  // the application's too, which shows uncaught errors
private:
    QString sound(const QString& name) const { return folder->path() + QStringLiteral("\\MP3\\") + name; }

    std::unique_ptr<test::TestAppFolder> folder;
    std::unique_ptr<RecordingCommandService> media;
    std::unique_ptr<player::Form1> form;

    void press(const Presses& presses) { press(presses, form->Text1); }
    static void press(const Presses& presses, QWidget* box)
    {
        for (const Press& p : presses) {
            if (p.key) {
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key(p.key), p.text, Qt::KeyboardModifiers(p.modifiers));
                continue;
            }
            QString composing;
            if (p.text.isEmpty())
                composing = QStringLiteral("ni");
            QInputMethodEvent event(composing, {});
            event.setCommitString(p.text);
            QCoreApplication::sendEvent(box, &event);
        }
    }

    // Runs `inEditor` once the modal editor is up, then closes it (its Close button, or the close box
    // while editing). The editor button is pressed by Enter while it has the focus.
    editor::frmConfig* visitEditor(const std::function<void(editor::frmConfig&)>& inEditor)
    {
        editor::frmConfig* shown = nullptr;
        QObject visit;  // a timer left over when no editor came up goes with it
        QTimer::singleShot(0, &visit, [&] {
            shown = form->findChild<editor::frmConfig*>();
            inEditor(*shown);
            if (shown->cmdClose->isVisible())
                shown->cmdClose->click();
            else
                shown->close();
        });
        form->Command1->setFocus();
        QTest::keyClick(form->Command1, Qt::Key_Return);  // returns once the modal editor has been closed
        return shown;
    }

private slots:
    void init()
    {
        folder = std::make_unique<test::TestAppFolder>();
        for (const char* name : {"a.mp3", "hello.mp3", "smile.mp3", "ni.mp3", "sub/s.mp3", "it's.mp3", "new.mp3"})
            folder->writeFile(QStringLiteral("MP3/") + QString::fromUtf8(name), "not played by the recording service");
        // Rows in this order: the first "hello" row comes first.
        folder->exec(QStringLiteral("INSERT INTO Config VALUES ('a', 'a.mp3'), ('b', 'b-missing.mp3'),"
                                    " ('hello', 'hello.mp3'), ('hello', 'second-hello.mp3'), ('a b', 'a.mp3'),"
                                    " ('it''s', 'it''s.mp3'), ('n', NULL), ('s', 'sub\\s.mp3'),"
                                    " ('😀', 'smile.mp3'), ('你', 'ni.mp3');"));
        media = std::make_unique<RecordingCommandService>();
        form = std::make_unique<player::Form1>(*media, dialogs);
        form->show();
        form->Text1->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

    void cleanup()
    {
        form.reset();
        media.reset();
        folder.reset();
    }
    void keys_data()
    {
        QTest::addColumn<Keys>("k");
        const auto row = [](const char* name, const Keys& k) { QTest::newRow(name) << k; };
        const Qt::CheckState word = Qt::Unchecked;
        const int ctrl = Qt::ControlModifier, ctrlAlt = ctrl | Qt::AltModifier, ctrlShift = ctrl | Qt::ShiftModifier;
        const Presses ctrlKeys = chord(Qt::Key_Return, ctrl, "") + chord(Qt::Key_Backspace, ctrl, "") +
                                 chord(Qt::Key_BracketLeft, ctrl, "") + chord(Qt::Key_Backslash, ctrl, "") +
                                 chord(Qt::Key_BracketRight, ctrl, "") + chord(Qt::Key_AsciiCircum, ctrlShift, "") +
                                 chord(Qt::Key_Underscore, ctrlShift, "");
        const QString m = QStringLiteral("无对应音频记录 ---响应按键 ");
        row("every key stops the sound first, the same key too; a miss keeps it current; newest on top",
            {.presses = typed("aazz"),
             .commands = {"play a.mp3", "stop a.mp3", "play a.mp3", "stop a.mp3", "stop a.mp3"},
             .log = miss("z") + miss("z") + hit("a") + hit("a"),
             .box = "z",
             .lastSound = "a.mp3"});
        row("file names: missing (nothing plays or is stopped), with a folder part, NULL (the sound folder)",
            {.presses = typed("bsn"),
             .commands = {"play sub\\s.mp3", "stop sub\\s.mp3"},
             .log = hit("n") + hit("s") + hit("b"),
             .box = "n",
             .lastSound = ""});
        row("one event with two characters, one outside the BMP, is two keys",
            {.presses = chord(Qt::Key_unknown, 0, "😀a"),
             .commands = {"play smile.mp3", "stop smile.mp3", "play a.mp3"},
             .log = hit("a") + hit("😀"),
             .box = "😀a",
             .lastSound = "a.mp3"});
        row("keypad Enter, Backspace, Esc, Ctrl+A, Ctrl+Z without text, space: looked up as 13, 8, 27, 1, 26, 32, "
            "shown as pictures",
            {.presses = chord(Qt::Key_Enter, Qt::KeypadModifier, "\r") + typed("\b\x1b\x01") +
                        chord(Qt::Key_Z, ctrl, "") + typed(" "),
             .log = miss(" ") + miss("\x1a") + miss("\x01") + miss("\x1b") + miss("\b") + miss("\r"),
             .box = " ",
             .shown = m + "\u2420\n\n" + m + "\u241A\n\n" + m + "\u2401\n\n" + m + "\u241B\n\n" + m + "\u2408\n\n" + m +
                      "\u21B5\n\n"});
        row("Ctrl+Space is looked up as 32", {.presses = chord(Qt::Key_Space, ctrl, ""), .log = miss(" ")});
        row("Ctrl with Enter, Backspace, [ \\ ] ^ _ is looked up as 10, 127, 27 to 31",
            {.presses = ctrlKeys,
             .log =
                 miss("\x1f") + miss("\x1e") + miss("\x1d") + miss("\x1c") + miss("\x1b") + miss("\x7f") + miss("\n")});
        row("word mode: Ctrl+Enter looks nothing up",
            {.presses = typed("hello") + ctrlKeys.first(1), .mode = word, .box = "hello"});
        row("keys without a code neither stop nor look up",
            {.presses =
                 typed("a") + chord(Qt::Key_Delete, 0, "\x7f") + chord(Qt::Key_F5, 0, "") + chord(Qt::Key_1, ctrl, "1"),
             .commands = {"play a.mp3"},
             .log = hit("a"),
             .box = "a",
             .lastSound = "a.mp3"});
        row("AltGr as Ctrl+Alt types, stops and looks up; an Alt chord types nothing, stops nothing",
            {.presses = typed("a") + chord(Qt::Key_Q, ctrlAlt, "@") + chord(Qt::Key_L, Qt::AltModifier, "l"),
             .commands = {"play a.mp3", "stop a.mp3"},
             .log = miss("@") + hit("a"),
             .box = "@",
             .lastSound = "a.mp3"});
        row("word mode: Alt, Alt+Shift, logo chords type nothing; AltGr on X11 and as Ctrl+Alt types",
            {.presses = typed("hel") + chord(Qt::Key_L, Qt::AltModifier, "l") +
                        chord(Qt::Key_L, Qt::AltModifier | Qt::ShiftModifier, "L") +
                        chord(Qt::Key_L, Qt::MetaModifier, "l") + chord(Qt::Key_At, Qt::GroupSwitchModifier, "@") +
                        chord(Qt::Key_Q, ctrlAlt, "@"),
             .mode = word,
             .box = "hel@@"});
        row("word mode: Backspace edits, Esc keeps the word, Enter looks up the first row, any key stops it",
            {.presses = typed("helx\bl\x1bo\rx"),
             .mode = word,
             .commands = {"play hello.mp3", "stop hello.mp3"},
             .log = hit("hello"),
             .box = "x",
             .lastSound = "hello.mp3"});
        row("word mode: quotes cannot widen the lookup, a word with an apostrophe is found",
            {.presses = typed("a' or '1'='1\rit's\r"),
             .mode = word,
             .commands = {"play it's.mp3"},
             .log = hit("it's") + miss("a' or '1'='1"),
             .lastSound = "it's.mp3"});
        row("greyed mode box means word mode; a phrase's blanks stay blanks in the log",
            {.presses = typed("a b\r"),
             .mode = Qt::PartiallyChecked,
             .commands = {"play a.mp3"},
             .log = hit("a b"),
             .lastSound = "a.mp3",
             .shown = "有对应音频记录,响应按键  a b\n\n"});
        row("input method: each committed character is one key; composing looks nothing up",
            {.presses = commit("你好") + commit(""),
             .commands = {"play ni.mp3", "stop ni.mp3"},
             .log = miss("好") + hit("你"),
             .box = "好",
             .lastSound = "ni.mp3"});
        row("input method, word mode: committed characters join the word",
            {.presses = commit("你好"), .mode = word, .box = "你好"});
    }

    void keys()
    {
        QFETCH(Keys, k);
        form->Check1->setCheckState(k.mode);
        press(k.presses);
        for (QString& command : k.commands)
            command = command.left(5) + sound(command.mid(5));
        QCOMPARE(media->commands, k.commands);
        QCOMPARE(form->Text2->Text(), k.log);
        QCOMPARE(form->Text1->text(), k.box);
        QCOMPARE(form->keyPlayer().lastSoundPath(), k.lastSound ? sound(*k.lastSound) : QString());
        if (k.shown)
            QCOMPARE(form->Text2->toPlainText(), *k.shown);
    }

    void focusComingBack_data()
    {
        QTest::addColumn<FocusReturn>("how");
        QTest::addColumn<QString>("box");  // the word typed before was "hel"
        QTest::newRow("a mouse click clears the box") << MouseClick << "";
        QTest::newRow("coming back from another program keeps the word") << BackFromOtherProgram << "hel";
        QTest::newRow("closing the context menu keeps the word") << ContextMenuClosed << "hel";
    }

    void focusComingBack()
    {
        QFETCH(FocusReturn, how);
        QFETCH(QString, box);
        form->Check1->setCheckState(Qt::Unchecked);
        press(typed("hel"));
        QWidget other;
        if (how == MouseClick) {
            form->Command1->setFocus();
            form->Text1->setFocus(Qt::MouseFocusReason);
        } else if (how == BackFromOtherProgram) {
            other.show();
            QVERIFY(QTest::qWaitForWindowActive(&other));
            form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
        } else {
            QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(4, 4),
                                      form->Text1->mapToGlobal(QPoint(4, 4)));
            QCoreApplication::sendEvent(form->Text1, &request);
            QTRY_VERIFY(QApplication::activePopupWidget());
            QApplication::activePopupWidget()->close();
            QTRY_VERIFY(!QApplication::activePopupWidget());
        }
        QTRY_VERIFY(form->Text1->hasFocus());
        QCOMPARE(form->Text1->text(), box);
    }

    void tabWalksTheDesignedOrder()
    {
        form->Command1->setFocus();
        QList<QWidget*> reached;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << QApplication::focusWidget();
        }
        QCOMPARE(reached, (QList<QWidget*>{form->Text1, form->Text2, form->Check1, form->Command1}));
        QVERIFY(form->Text2->Text().isEmpty());  // Tab was no key in either box
    }

    // What the editor saves is what the next key finds; the visit clears the box but leaves the log
    // and the mode alone, and every visit shows the same editor, in browse state.
    void editorButton()
    {
        form->Check1->setCheckState(Qt::Unchecked);
        press(typed("z\rhel"));
        editor::frmConfig* first = visitEditor([](editor::frmConfig& editor) {
            editor.cmdAdd->click();
            QTest::keyClicks(editor.txtFields[0], "Z");
            QTest::keyClicks(editor.txtFields[1], "new.mp3");
            editor.cmdUpdate->click();
            editor.cmdEdit->click();
        });
        QVERIFY(first);
        QVERIFY(!first->isVisible());
        QVERIFY(!first->editing);
        QTRY_COMPARE(form->Text1->text(), QString());
        QCOMPARE(form->Text2->Text(), miss("z"));
        QCOMPARE(form->Check1Value(), 0);

        press(typed("z\r"));
        QCOMPARE(media->commands, QStringList{"play " + sound("new.mp3")});
        QCOMPARE(form->Text2->Text(), hit("z") + miss("z"));
        QCOMPARE(visitEditor([](editor::frmConfig& e) { e.cmdPrevious->click(); }), first);
        QCOMPARE(dialogs.beeps, 1);  // before the first row, through the dialogs the window was given
    }

    void uncaughtErrorIsShownAndEndsTheProgram_data()
    {
        // clang-format off
        QTest::addColumn<bool>("throughEditor");
        QTest::newRow("a key press") << false;
        QTest::newRow("the editor button") << true;
        // clang-format on
    }

    void uncaughtErrorIsShownAndEndsTheProgram()
    {
        QFETCH(bool, throughEditor);
        dialogs.messages.clear();
        QFile::remove(folder->databasePath());
        QTimer::singleShot(0, [&] {
            if (throughEditor)
                QTest::mouseClick(form->Command1, Qt::LeftButton);
            else
                QTest::keyClick(form->Text1, Qt::Key_A);
        });
        const int status = QCoreApplication::exec();
        const QStringList shown = dialogs.messages;

        QCOMPARE_NE(status, 0);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QString::number(ErrorNumber::DatabaseNotFound)), qPrintable(shown[0]));
        QVERIFY2(shown[0].contains("db1.mdb"), qPrintable(shown[0]));
        QVERIFY(form->Text2->Text().isEmpty());  // the later steps did not run
    }
};

int main(int argc, char** argv)
{
    PlayerTest test;
    platform::Application app(argc, argv, test.dialogs);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_player.moc"
