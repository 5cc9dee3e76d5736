// The main window: a key's road (stop, lookup, play, log) in both modes, the log box, focus and
// activation, the editor button, and errors that end the program.
#include "TestAppFolder.h"

#include "audio/CommandService.h"
#include "editor/frmConfig.h"
#include "platform/AnsiText.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "player/Form1.h"
#include "player/TextBoxes.h"

#include <QAccessible>
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
QString hit(const QString& key) { return QStringLiteral("有对应音频记录,响应按键  ") + key + QStringLiteral("\r\n\r\n"); }
QString miss(const QString& key) { return QStringLiteral("无对应音频记录 ---响应按键 ") + key + QStringLiteral("\r\n\r\n"); }

// One key event; key 0 stands for an input-method commit of the text (empty: still composing).
struct Press {
    int key = 0;
    int modifiers = 0;
    QString text;
};
using Presses = QList<Press>;

// Text as the keyboard types it: Enter, Backspace and Esc by their keys, other control characters
// as Ctrl+letter.
Presses typed(const QString& keys)
{
    const QHash<char32_t, int> named{{U'\r', Qt::Key_Return}, {U'\b', Qt::Key_Backspace}, {27, Qt::Key_Escape}};
    Presses presses;
    for (char32_t code : keys.toUcs4()) {
        const bool ctrl = code < 27 && !named.contains(code);
        presses << Press{named.value(code, ctrl ? Qt::Key_A + int(code) - 1 : Qt::Key_unknown), ctrl ? int(Qt::ControlModifier) : 0,
                         QString::fromUcs4(&code, 1)};
    }
    return presses;
}

Presses chord(int key, int modifiers, const QString& text) { return {Press{key, modifiers, text}}; }
Presses commit(const QString& text) { return {Press{0, 0, text}}; }

enum FocusReturn { MouseClick,
                   BackFromOtherProgram,
                   ContextMenuClosed };
}  // namespace
Q_DECLARE_METATYPE(Press)

class PlayerTest : public QObject {
    Q_OBJECT
private:
    QString sound(const QString& name) const { return folder->path() + QStringLiteral("\\MP3\\") + name; }

    std::unique_ptr<test::TestAppFolder> folder;
    std::unique_ptr<RecordingCommandService> media;
    std::unique_ptr<player::Form1> form;

    void press(const Presses& presses, QWidget* box = nullptr)
    {
        box = box ? box : form->Text1;
        for (const Press& p : presses) {
            QInputMethodEvent event(p.text.isEmpty() ? QStringLiteral("ni") : QString(), {});
            event.setCommitString(p.text);
            p.key ? QTest::sendKeyEvent(QTest::Click, box, Qt::Key(p.key), p.text, Qt::KeyboardModifiers(p.modifiers))
                  : void(QCoreApplication::sendEvent(box, &event));
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
            shown->cmdClose->isVisible() ? shown->cmdClose->click() : void(shown->close());
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
        form = std::make_unique<player::Form1>(*media);
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
        // clang-format off
        QTest::addColumn<int>("mode");
        QTest::addColumn<Presses>("presses");  // mode: a Qt::CheckState of the mode box
        QTest::addColumn<QStringList>("commands");  // "play x" / "stop x", x below MP3
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("tag");  // the name below MP3; "-": still empty
        const int key = Qt::Checked, word = Qt::Unchecked, ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
        const int ctrl = Qt::ControlModifier, ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;

        QTest::newRow("same key again is stopped and played again")
            << key << typed("aa") << QStringList{"play a.mp3", "stop a.mp3", "play a.mp3"} << hit("a") + hit("a") << "a" << "a.mp3";
        QTest::newRow("a miss stops the sound, keeps it current, goes on top")
            << key << typed("azz") << QStringList{"play a.mp3", "stop a.mp3", "stop a.mp3"} << miss("z") + miss("z") + hit("a") << "z" << "a.mp3";
        QTest::newRow("found row whose file is missing: logged, nothing plays or is stopped")
            << key << typed("ba") << QStringList{"play a.mp3"} << hit("a") + hit("b") << "a" << "a.mp3";
        QTest::newRow("NULL file name: the sound folder itself, nothing plays") << key << typed("n") << QStringList{} << hit("n") << "n" << "";
        QTest::newRow("file name with a folder part") << key << typed("s") << QStringList{"play sub\\s.mp3"} << hit("s") << "s" << "sub\\s.mp3";
        QTest::newRow("one event with two characters, one outside the BMP, is two keys")
            << key << chord(Qt::Key_unknown, 0, "😀a") << QStringList{"play smile.mp3", "stop smile.mp3", "play a.mp3"}
            << hit("a") + hit("😀") << "😀a" << "a.mp3";
        QTest::newRow("Enter, Backspace, Esc are looked up as 13, 8, 27")
            << key << typed("\r\b\x1b") << QStringList{} << miss("\x1b") + miss("\b") + miss("\r") << "" << "-";
        QTest::newRow("keypad Enter, Ctrl+letter without text, keypad digit")
            << key << chord(Qt::Key_Enter, Qt::KeypadModifier, "\r") + chord(Qt::Key_A, Qt::ControlModifier, "") + chord(Qt::Key_5, Qt::KeypadModifier, "5")
            << QStringList{} << miss("5") + miss("\x01") + miss("\r") << "5" << "-";
        const Presses ctrlKeys = chord(Qt::Key_Return, ctrl, "") + chord(Qt::Key_Backspace, ctrl, "")
            + chord(Qt::Key_BracketLeft, ctrl, "") + chord(Qt::Key_Backslash, ctrl, "") + chord(Qt::Key_BracketRight, ctrl, "")
            + chord(Qt::Key_AsciiCircum, ctrlShift, "") + chord(Qt::Key_Underscore, ctrlShift, "");
        QTest::newRow("Ctrl with Enter, Backspace, [ \\ ] ^ _ is looked up as 10, 127, 27 to 31")
            << key << ctrlKeys << QStringList{} << miss("\x1f") + miss("\x1e") + miss("\x1d") + miss("\x1c") + miss("\x1b") + miss("\x7f") + miss("\n") << "" << "-";
        QTest::newRow("word mode: Ctrl+Enter looks nothing up") << word << typed("hello") + ctrlKeys.first(1) << QStringList{} << "" << "hello" << "-";
        QTest::newRow("keys without a code neither stop nor look up")
            << key << typed("a") + chord(Qt::Key_Delete, 0, "\x7f") + chord(Qt::Key_F5, 0, "") + chord(Qt::Key_1, Qt::ControlModifier, "1") + chord(Qt::Key_Left, 0, "")
            << QStringList{"play a.mp3"} << hit("a") << "a" << "a.mp3";
        QTest::newRow("Alt chord types nothing, stops nothing") << key << typed("a") + chord(Qt::Key_L, Qt::AltModifier, "l")
                                                               << QStringList{"play a.mp3"} << hit("a") << "a" << "a.mp3";
        QTest::newRow("AltGr as Ctrl+Alt types, stops and looks up") << key << typed("a") + chord(Qt::Key_Q, ctrlAlt, "@")
            << QStringList{"play a.mp3", "stop a.mp3"} << miss("@") + hit("a") << "@" << "a.mp3";
        QTest::newRow("word mode: Alt, Alt+Shift, logo chords type nothing")
            << word << typed("hel") + chord(Qt::Key_L, Qt::AltModifier, "l") + chord(Qt::Key_L, Qt::AltModifier | Qt::ShiftModifier, "L") + chord(Qt::Key_L, Qt::MetaModifier, "l")
            << QStringList{} << "" << "hel" << "-";
        QTest::newRow("word mode: AltGr on X11 and as Ctrl+Alt types")
            << word << typed("hel") + chord(Qt::Key_At, Qt::GroupSwitchModifier, "@") + chord(Qt::Key_Q, ctrlAlt, "@") << QStringList{} << "" << "hel@@" << "-";
        QTest::newRow("word mode: Backspace edits, Esc keeps the word, Enter looks up the first row")
            << word << typed("helx\bl\x1bo\r") << QStringList{"play hello.mp3"} << hit("hello") << "" << "hello.mp3";
        QTest::newRow("word mode: every key stops the current sound")
            << word << typed("hello\rx") << QStringList{"play hello.mp3", "stop hello.mp3"} << hit("hello") << "x" << "hello.mp3";
        QTest::newRow("word mode: a word with an apostrophe") << word << typed("it's\r") << QStringList{"play it's.mp3"} << hit("it's") << "" << "it's.mp3";
        QTest::newRow("word mode: quotes cannot widen the lookup")
            << word << typed("a' or '1'='1\r") << QStringList{} << miss("a' or '1'='1") << "" << "-";
        QTest::newRow("greyed mode box means word mode") << int(Qt::PartiallyChecked) << typed("hello\r") << QStringList{"play hello.mp3"} << hit("hello") << "" << "hello.mp3";
        QTest::newRow("input method: each committed character is one key")
            << key << commit("你好") << QStringList{"play ni.mp3", "stop ni.mp3"} << miss("好") + hit("你") << "好" << "ni.mp3";
        QTest::newRow("input method, word mode: committed characters join the word") << word << commit("你好") << QStringList{} << "" << "你好" << "-";
        QTest::newRow("input method: composing looks nothing up") << key << commit("") << QStringList{} << "" << "" << "-";
        // clang-format on
    }

    void keys()
    {
        QFETCH(int, mode);
        QFETCH(Presses, presses);
        QFETCH(QStringList, commands);
        QFETCH(QString, log);
        QFETCH(QString, box);
        QFETCH(QString, tag);
        form->Check1->setCheckState(Qt::CheckState(mode));
        press(presses);

        for (QString& command : commands)
            command = command.left(5) + sound(command.mid(5));
        QCOMPARE(media->commands, commands);
        QCOMPARE(form->Text2->Text(), log);
        QCOMPARE(form->Text1->text(), box);
        QCOMPARE(form->Text1->Tag, tag == QLatin1String("-") ? QString() : sound(tag));
    }

    void logShowsControlKeysAsPictures_data()
    {
        // clang-format off
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("text");
        const QString m = QStringLiteral("无对应音频记录 ---响应按键 ");

        QTest::newRow("single keys") << int(Qt::Checked) << "\r\b\x1b\x01\x1a "
            << m + "\u2420\n\n" + m + "\u241A\n\n" + m + "\u2401\n\n" + m + "\u241B\n\n" + m + "\u2408\n\n" + m + "\u21B5\n\n"
            << miss(" ") + miss("\x1a") + miss("\x01") + miss("\x1b") + miss("\b") + miss("\r");
        QTest::newRow("found word: the message keeps its blanks") << int(Qt::Unchecked) << "a b\r"
            << "有对应音频记录,响应按键  a\u2420b\n\n" << hit("a b");
        // clang-format on
    }

    void logShowsControlKeysAsPictures()
    {
        QFETCH(int, mode);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(QString, text);
        form->Check1->setCheckState(Qt::CheckState(mode));
        press(typed(keys));
        QCOMPARE(form->Text2->toPlainText(), shown);
        QCOMPARE(form->Text2->Text(), text);
    }

    void logBoxTakesAltGrButNotAltChords()
    {
        press(chord(Qt::Key_L, Qt::AltModifier, "l") + chord(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, "@"), form->Text2);
        QCOMPARE(form->Text2->Text(), QStringLiteral("@"));
    }

    void focusComingBack_data()
    {
        // clang-format off
        QTest::addColumn<int>("how");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("a mouse click clears the box") << int(MouseClick) << true;
        QTest::newRow("coming back from another program keeps the word") << int(BackFromOtherProgram) << false;
        QTest::newRow("closing the context menu keeps the word") << int(ContextMenuClosed) << false;
        // clang-format on
    }

    void focusComingBack()
    {
        QFETCH(int, how);
        QFETCH(bool, cleared);
        form->Check1->setCheckState(Qt::Unchecked);
        press(typed("hel"));
        form->Text1->Tag = QStringLiteral("kept");
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
            QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(4, 4), form->Text1->mapToGlobal(QPoint(4, 4)));
            QCoreApplication::sendEvent(form->Text1, &request);
            QTRY_VERIFY(QApplication::activePopupWidget());
            QApplication::activePopupWidget()->close();
            QTRY_VERIFY(!QApplication::activePopupWidget());
        }
        QTRY_VERIFY(form->Text1->hasFocus());
        QCOMPARE(form->Text1->text(), cleared ? QString() : QStringLiteral("hel"));
        QCOMPARE(form->Text1->Tag, QStringLiteral("kept"));
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

    // Activation comes later from the window system, and may never come.
    void designedTextGoesAsTheWindowShows()
    {
        player::Form1 fresh(*media);
        fresh.show();
        QVERIFY(!fresh.isActiveWindow() && fresh.Text1->text().isEmpty());
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
        QVERIFY(first && !first->isVisible() && !first->editing);
        QTRY_COMPARE(form->Text1->text(), QString());
        QVERIFY(form->Text2->Text() == miss("z") && form->Check1Value() == 0);

        press(typed("z\r"));
        QCOMPARE(media->commands, QStringList{"play " + sound("new.mp3")});
        QCOMPARE(form->Text2->Text(), hit("z") + miss("z"));
        QCOMPARE(visitEditor([](editor::frmConfig&) {}), first);
    }

    // Nested folders of Chinese names: the play command names a short alias that opens the file,
    // and the next key stops the same alias.
    void soundInAFolder4000BytesDeepPlaysThroughItsAlias()
    {
        QString name;
        for (int i = 0; i < 15; ++i)
            name += QString(85, QChar(0x58F0 + i)) + u'\\';
        name += QString(4000 - int((sound(name) + QStringLiteral(".mp3")).toUtf8().size()), u'x') + QStringLiteral(".mp3");
        QCOMPARE(sound(name).toUtf8().size(), 4000);
        folder->writeFile(QStringLiteral("MP3/") + QString(name).replace(u'\\', u'/'), "the deep sound");
        folder->addMapping(QStringLiteral("d"), name);

        press(typed("dd"));
        QVERIFY(!media->commands.isEmpty());
        const QString alias = media->commands[0].mid(5);
        QCOMPARE(media->commands, (QStringList{"play " + alias, "stop " + alias, "play " + alias}));
        QFile played(alias);
        QVERIFY2(played.open(QIODevice::ReadOnly) && played.readAll() == "the deep sound", qPrintable(alias));
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
        QStringList shown;
        QFile::remove(folder->databasePath());
        const auto previous = platform::setMessageBoxHandler([&](QWidget*, const QString& text) { shown << text; });
        QTimer::singleShot(0, [&] { throughEditor ? QTest::mouseClick(form->Command1, Qt::LeftButton) : QTest::keyClick(form->Text1, Qt::Key_A); });
        const int status = QCoreApplication::exec();
        platform::setMessageBoxHandler(previous);

        QVERIFY(status != 0 && shown.size() == 1);
        QVERIFY2(shown[0].contains(QString::number(ErrorNumber::DatabaseNotFound)) && shown[0].contains("db1.mdb"), qPrintable(shown[0]));
        QVERIFY(form->Text2->Text().isEmpty());  // the later steps did not run
    }
};

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    PlayerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_player.moc"
