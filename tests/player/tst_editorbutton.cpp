// The main window's editor button: one editor object for the whole run, shown modally; what the
// editor saves is what the next key finds, and the visit leaves the log and the mode alone.
#include "RecordingCommandService.h"
#include "TestAppFolder.h"

#include "editor/frmConfig.h"
#include "player/Form1.h"
#include "player/TextBoxes.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace keysound;

class EditorButtonTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void savedMappingSoundsAtTheNextKey();
    void sameEditorObjectEveryTimeInBrowseState();

private:
    // Runs `inEditor` once the modal editor is up, then closes it with its Close button.
    editor::frmConfig* visitEditor(const std::function<void(editor::frmConfig&)>& inEditor);

    std::unique_ptr<test::TestAppFolder> folder;
    std::unique_ptr<test::RecordingCommandService> media;
    std::unique_ptr<player::Form1> form;
};

void EditorButtonTest::init()
{
    folder = std::make_unique<test::TestAppFolder>();
    folder->writeFile(QStringLiteral("MP3/new.mp3"), "sound");
    folder->addMapping(QStringLiteral("a"), QStringLiteral("a.mp3"));
    media = std::make_unique<test::RecordingCommandService>();
    form = std::make_unique<player::Form1>(*media);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
}

void EditorButtonTest::cleanup()
{
    form.reset();
    media.reset();
    folder.reset();
}

editor::frmConfig* EditorButtonTest::visitEditor(const std::function<void(editor::frmConfig&)>& inEditor)
{
    editor::frmConfig* shown = nullptr;
    QTimer::singleShot(0, [&] {
        shown = form->findChild<editor::frmConfig*>();
        if (!shown || !shown->isVisible())
            return;
        inEditor(*shown);
        if (shown->cmdClose->isVisible())
            shown->cmdClose->click();
        else
            shown->close();  // the close box works in every state
    });
    form->Command1->click();  // returns once the modal editor has been closed
    return shown;
}

void EditorButtonTest::savedMappingSoundsAtTheNextKey()
{
    form->Text1->setFocus();
    QTest::keyClick(form->Text1, Qt::Key_Z);
    const QString logBefore = form->Text2->Text();
    form->Check1->setCheckState(Qt::Unchecked);
    form->Text1->setText(QStringLiteral("unfinished"));

    visitEditor([](editor::frmConfig& editor) {
        editor.cmdAdd->click();
        QTest::keyClicks(editor.txtFields[0], QStringLiteral("Z"));
        QTest::keyClicks(editor.txtFields[1], QStringLiteral("new.mp3"));
        editor.cmdUpdate->click();
    });

    QVERIFY(!form->findChild<editor::frmConfig*>()->isVisible());
    QTRY_COMPARE(form->Text1->text(), QString());  // cleared when the main window is active again
    QCOMPARE(form->Text2->Text(), logBefore);
    QCOMPARE(form->Check1Value(), 0);

    form->Check1->setCheckState(Qt::Checked);
    form->Text1_KeyPress(U'z');
    QCOMPARE(media->commands.last(), QStringLiteral("play ") + folder->path() + QStringLiteral("\\MP3\\new.mp3"));
    QVERIFY(form->Text2->Text().startsWith(QStringLiteral("有对应音频记录,响应按键  z\r\n\r\n")));
}

void EditorButtonTest::sameEditorObjectEveryTimeInBrowseState()
{
    editor::frmConfig* first = visitEditor([](editor::frmConfig& editor) { editor.cmdEdit->click(); });
    QVERIFY(first);
    QVERIFY(!first->editing);  // closed while editing: the next opening starts in browse state
    editor::frmConfig* second = visitEditor([](editor::frmConfig&) {});
    QCOMPARE(second, first);
    QCOMPARE(form->findChildren<editor::frmConfig*>().size(), 1);
}

QTEST_MAIN(EditorButtonTest)
#include "tst_editorbutton.moc"
