// The road of a key press through the main window: stop, lookup, play, log, in both modes.
#include "RecordingCommandService.h"
#include "TestAppFolder.h"

#include "player/Form1.h"
#include "player/TextBoxes.h"

#include <QCheckBox>
#include <QInputMethodEvent>
#include <QtTest>

using namespace keysound;

namespace {
// The log's two texts, written out here rather than taken from the program.
QString foundEntry(const QString& key)
{
    return QStringLiteral("有对应音频记录,响应按键  ") + key + QStringLiteral("\r\n\r\n");
}

QString notFoundEntry(const QString& key)
{
    return QStringLiteral("无对应音频记录 ---响应按键 ") + key + QStringLiteral("\r\n\r\n");
}
}  // namespace

class KeyPressTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void typedKeys_data();
    void typedKeys();
    void inputMethodCommit_data();
    void inputMethodCommit();
    void chordsAndNavigationKeys_data();
    void chordsAndNavigationKeys();
    void logShowsControlKeysAsPictures_data();
    void logShowsControlKeysAsPictures();
    void soundInAFolder4000BytesDeepPlays();

private:
    QString sound(const QString& name) const { return folder->path() + QStringLiteral("\\MP3\\") + name; }
    void typeKeys(const QString& keys);

    std::unique_ptr<test::TestAppFolder> folder;
    std::unique_ptr<test::RecordingCommandService> media;
    std::unique_ptr<player::Form1> form;
};

void KeyPressTest::init()
{
    folder = std::make_unique<test::TestAppFolder>();
    for (const char* name : {"a.mp3", "hello.mp3", "quote.mp3", "smile.mp3", "ni.mp3", "sub/s.mp3", "it's.mp3"})
        folder->writeFile(QStringLiteral("MP3/") + QString::fromUtf8(name), "not played by the recording service");
    // Rows in this order: the first "hello" row comes first.
    folder->exec(QStringLiteral("INSERT INTO Config VALUES ('a', 'a.mp3'), ('b', 'b-missing.mp3'),"
                                " ('hello', 'hello.mp3'), ('hello', 'second-hello.mp3'), ('a b', 'a.mp3'),"
                                " ('it''s', 'it''s.mp3'), ('''', 'quote.mp3'), ('n', NULL), ('e', ''), ('s', 'sub\\s.mp3'),"
                                " ('😀', 'smile.mp3'), ('你', 'ni.mp3');"));
    media = std::make_unique<test::RecordingCommandService>();
    form = std::make_unique<player::Form1>(*media);
    form->show();
    form->Text1->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
}

void KeyPressTest::cleanup()
{
    form.reset();
    media.reset();
    folder.reset();
}

void KeyPressTest::typeKeys(const QString& keys)
{
    for (char32_t code : keys.toUcs4()) {
        if (code == U'\r')
            QTest::keyClick(form->Text1, Qt::Key_Return);
        else if (code == U'\b')
            QTest::keyClick(form->Text1, Qt::Key_Backspace);
        else if (code == 27)
            QTest::keyClick(form->Text1, Qt::Key_Escape);
        else if (code < 27)
            QTest::keyClick(form->Text1, Qt::Key(Qt::Key_A + code - 1), Qt::ControlModifier);
        else
            QTest::sendKeyEvent(QTest::Click, form->Text1, Qt::Key_unknown, QString::fromUcs4(&code, 1), Qt::NoModifier);
    }
}

void KeyPressTest::typedKeys_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("commands");  // names below MP3\, "play x" / "stop x"
    QTest::addColumn<QStringList>("logEntries");  // newest first; "+k" found, "-k" not found
    QTest::addColumn<QString>("tag");  // "-": still empty; otherwise the name inside MP3

    QTest::newRow("first key plays, nothing to stop") << 1 << "a" << QStringList{"play a.mp3"} << QStringList{"+a"} << "a.mp3";
    QTest::newRow("same key twice is stopped and played again")
        << 1 << "aa" << QStringList{"play a.mp3", "stop a.mp3", "play a.mp3"} << QStringList{"+a", "+a"} << "a.mp3";
    QTest::newRow("a miss after a hit stops the sound and keeps it current")
        << 1 << "azz" << QStringList{"play a.mp3", "stop a.mp3", "stop a.mp3"} << QStringList{"-z", "-z", "+a"} << "a.mp3";
    QTest::newRow("upper-case key finds the lower-case row") << 1 << "A" << QStringList{"play a.mp3"} << QStringList{"+A"} << "a.mp3";
    QTest::newRow("found row whose file is missing: logged, nothing plays, nothing to stop next")
        << 1 << "ba" << QStringList{"play a.mp3"} << QStringList{"+a", "+b"} << "a.mp3";
    QTest::newRow("NULL file name: the sound folder itself, nothing plays") << 1 << "n" << QStringList{} << QStringList{"+n"} << "";
    QTest::newRow("empty file name: the sound folder itself, nothing plays") << 1 << "e" << QStringList{} << QStringList{"+e"} << "";
    QTest::newRow("file name with a folder part names a file below MP3")
        << 1 << "s" << QStringList{"play sub\\s.mp3"} << QStringList{"+s"} << "sub\\s.mp3";
    QTest::newRow("apostrophe is looked up as itself") << 1 << "'" << QStringList{"play quote.mp3"} << QStringList{"+'"} << "quote.mp3";
    QTest::newRow("character outside the BMP is one key") << 1 << "😀" << QStringList{"play smile.mp3"} << QStringList{"+😀"} << "smile.mp3";
    QTest::newRow("single-key Enter is looked up as the character 13") << 1 << "\r" << QStringList{} << QStringList{"-\r"} << "-";
    QTest::newRow("single-key Backspace is looked up as the character 8") << 1 << "\b" << QStringList{} << QStringList{"-\b"} << "-";
    QTest::newRow("single-key Esc is looked up as the character 27") << 1 << "\x1b" << QStringList{} << QStringList{"-\x1b"} << "-";
    QTest::newRow("word mode: Esc keeps the unfinished word") << 0 << "hell\x1bo\r" << QStringList{"play hello.mp3"} << QStringList{"+hello"} << "hello.mp3";
    QTest::newRow("log order: miss then hit puts the hit on top") << 1 << "za" << QStringList{"play a.mp3"} << QStringList{"+a", "-z"} << "a.mp3";
    QTest::newRow("word mode: a word finished with Enter, first of duplicate rows")
        << 0 << "hello\r" << QStringList{"play hello.mp3"} << QStringList{"+hello"} << "hello.mp3";
    QTest::newRow("word mode: keys before Enter look nothing up") << 0 << "hel" << QStringList{} << QStringList{} << "-";
    QTest::newRow("word mode: Backspace edits the word") << 0 << "hellx\bo\r" << QStringList{"play hello.mp3"} << QStringList{"+hello"} << "hello.mp3";
    QTest::newRow("word mode: every key stops the current sound")
        << 0 << "hello\rx" << QStringList{"play hello.mp3", "stop hello.mp3"} << QStringList{"+hello"} << "hello.mp3";
    QTest::newRow("word mode: Enter on an empty box looks up the empty text") << 0 << "\r" << QStringList{} << QStringList{"-"} << "-";
    QTest::newRow("word mode: a word with an apostrophe") << 0 << "it's\r" << QStringList{"play it's.mp3"} << QStringList{"+it's"} << "it's.mp3";
    QTest::newRow("word mode: the whole word with quotes is not found") << 0 << "a' or '1'='1\r" << QStringList{} << QStringList{"-a' or '1'='1"} << "-";
    QTest::newRow("greyed mode box means word mode") << 2 << "hello\r" << QStringList{"play hello.mp3"} << QStringList{"+hello"} << "hello.mp3";
}

void KeyPressTest::typedKeys()
{
    QFETCH(int, mode);
    QFETCH(QString, keys);
    QFETCH(QStringList, commands);
    QFETCH(QStringList, logEntries);
    QFETCH(QString, tag);

    form->Check1->setCheckState(mode == 0 ? Qt::Unchecked : mode == 1 ? Qt::Checked : Qt::PartiallyChecked);
    QCOMPARE(form->Check1Value(), mode);
    typeKeys(keys);

    QStringList expectedCommands;
    for (const QString& command : commands)
        expectedCommands << command.left(5) + sound(command.mid(5));
    QCOMPARE(media->commands, expectedCommands);

    QString expectedLog;
    for (const QString& entry : logEntries)
        expectedLog += entry.startsWith(u'+') ? foundEntry(entry.mid(1)) : notFoundEntry(entry.mid(1));
    QCOMPARE(form->Text2->Text(), expectedLog);

    QCOMPARE(form->Text1->Tag, tag == QLatin1String("-") ? QString() : sound(tag));
}

void KeyPressTest::inputMethodCommit_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("expectedLog");
    QTest::addColumn<QString>("expectedBox");

    QTest::newRow("single-key mode: each committed character is one lookup")
        << 1 << "你好" << notFoundEntry("好") + foundEntry("你") << "好";
    QTest::newRow("word mode: committed characters join the word") << 0 << "你好" << QString() << "你好";
    QTest::newRow("composition in progress looks nothing up") << 1 << "" << QString() << "";
}

void KeyPressTest::inputMethodCommit()
{
    QFETCH(int, mode);
    QFETCH(QString, commit);
    QFETCH(QString, expectedLog);
    QFETCH(QString, expectedBox);

    form->Check1->setCheckState(mode == 1 ? Qt::Checked : Qt::Unchecked);
    QInputMethodEvent event(commit.isEmpty() ? QStringLiteral("ni") : QString(), {});  // no commit: still composing
    event.setCommitString(commit);
    QCoreApplication::sendEvent(form->Text1, &event);

    QCOMPARE(form->Text2->Text(), expectedLog);
    QCOMPARE(form->Text1->text(), expectedBox);
    const QStringList played{"play " + sound("ni.mp3"), "stop " + sound("ni.mp3")};
    QCOMPARE(media->commands, mode == 1 && !commit.isEmpty() ? played : QStringList{});
}

// Alt chords type nothing into either box, and stop and look up nothing; AltGr types its character,
// applied after the handler (single-key mode: the handler emptied the box before).
void KeyPressTest::chordsAndNavigationKeys_data()
{
    QTest::addColumn<bool>("intoLog");  // the chord goes to Text2 instead of Text1
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("boxAfter");  // the box held "hel" before
    QTest::addColumn<QString>("logAfter");  // the log was empty before
    const int ctrlAlt = Qt::ControlModifier | Qt::AltModifier;

    QTest::newRow("Alt+letter, single-key mode") << false << 1 << int(Qt::Key_L) << int(Qt::AltModifier) << "l" << "hel" << "";
    QTest::newRow("Alt+letter, word mode") << false << 0 << int(Qt::Key_L) << int(Qt::AltModifier) << "l" << "hel" << "";
    QTest::newRow("Alt+Shift+letter") << false << 0 << int(Qt::Key_L) << int(Qt::AltModifier | Qt::ShiftModifier) << "L" << "hel" << "";
    QTest::newRow("logo key+letter") << false << 0 << int(Qt::Key_L) << int(Qt::MetaModifier) << "l" << "hel" << "";
    QTest::newRow("Alt+letter in the log box") << true << 1 << int(Qt::Key_L) << int(Qt::AltModifier) << "l" << "hel" << "";
    QTest::newRow("arrow key, single-key mode") << false << 1 << int(Qt::Key_Left) << 0 << "" << "hel" << "";
    QTest::newRow("Delete, single-key mode") << false << 1 << int(Qt::Key_Delete) << 0 << "\x7f" << "hel" << "";
    QTest::newRow("AltGr on X11 types, word mode") << false << 0 << int(Qt::Key_At) << int(Qt::GroupSwitchModifier) << "@" << "hel@" << "";
    QTest::newRow("AltGr as Ctrl+Alt types, word mode") << false << 0 << int(Qt::Key_Q) << ctrlAlt << "@" << "hel@" << "";
    QTest::newRow("AltGr as Ctrl+Alt, single-key mode") << false << 1 << int(Qt::Key_Q) << ctrlAlt << "@" << "@" << notFoundEntry("@");
    QTest::newRow("AltGr in the log box types") << true << 1 << int(Qt::Key_Q) << ctrlAlt << "@" << "hel" << "@";
}

void KeyPressTest::chordsAndNavigationKeys()
{
    QFETCH(bool, intoLog);
    QFETCH(int, mode);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QString, boxAfter);
    QFETCH(QString, logAfter);
    QWidget* box = intoLog ? static_cast<QWidget*>(form->Text2) : form->Text1;
    box->setFocus();
    form->Check1->setCheckState(mode == 1 ? Qt::Checked : Qt::Unchecked);
    form->Text1->setText(QStringLiteral("hel"));
    form->Text1->Tag = sound("a.mp3");
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));

    QCOMPARE(form->Text1->text(), boxAfter);
    QCOMPARE(form->Text2->Text(), logAfter);
    const bool keyTyped = !intoLog && boxAfter.endsWith(u'@');
    QCOMPARE(media->commands, keyTyped ? QStringList{"stop " + sound("a.mp3")} : QStringList{});
}

void KeyPressTest::logShowsControlKeysAsPictures_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");  // the log's first line

    QTest::newRow("Enter") << 1 << "\r" << "无对应音频记录 ---响应按键 \u21B5";
    QTest::newRow("Backspace") << 1 << "\b" << "无对应音频记录 ---响应按键 \u2408";
    QTest::newRow("Esc") << 1 << "\x1b" << "无对应音频记录 ---响应按键 \u241B";
    QTest::newRow("Ctrl+A") << 1 << "\x01" << "无对应音频记录 ---响应按键 \u2401";
    QTest::newRow("Ctrl+Z") << 1 << "\x1a" << "无对应音频记录 ---响应按键 \u241A";
    QTest::newRow("blank") << 1 << " " << "无对应音频记录 ---响应按键 \u2420";
    QTest::newRow("word with a blank, found") << 0 << "a b\r" << "有对应音频记录,响应按键  a\u2420b";
}

// Only the key text is shown with pictures; the messages keep their own blanks, and Text stays exact.
void KeyPressTest::logShowsControlKeysAsPictures()
{
    QFETCH(int, mode);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    form->Check1->setCheckState(mode == 1 ? Qt::Checked : Qt::Unchecked);
    typeKeys(keys);
    QCOMPARE(form->Text2->toPlainText().section(u'\n', 0, 0), shown);
    const QString keyText = mode == 1 ? keys : keys.chopped(1);
    QCOMPARE(form->Text2->Text(), (shown.startsWith(u'有') ? foundEntry(keyText) : notFoundEntry(keyText)));
}

// Nested folders of Chinese names: the play command names a short alias that opens the file,
// and the next key stops the same alias.
void KeyPressTest::soundInAFolder4000BytesDeepPlays()
{
    QString name;
    for (int i = 0; i < 15; ++i)
        name += QString(85, QChar(0x58F0 + i)) + u'\\';
    name += QString(4000 - int((sound(name) + QStringLiteral(".mp3")).toUtf8().size()), u'x') + QStringLiteral(".mp3");
    QCOMPARE(sound(name).toUtf8().size(), 4000);
    folder->writeFile(QStringLiteral("MP3/") + QString(name).replace(u'\\', u'/'), "the deep sound");
    folder->addMapping(QStringLiteral("d"), name);

    typeKeys(QStringLiteral("dd"));
    QCOMPARE(media->commands.size(), 3);
    const QString alias = media->commands[0].mid(5);
    QCOMPARE(media->commands, (QStringList{"play " + alias, "stop " + alias, "play " + alias}));
    QVERIFY(alias.toUtf8().size() <= 253);
    QFile played(alias);
    QVERIFY2(played.open(QIODevice::ReadOnly), qPrintable(alias));
    QCOMPARE(played.readAll(), QByteArray("the deep sound"));
}

QTEST_MAIN(KeyPressTest)
#include "tst_keypress.moc"
