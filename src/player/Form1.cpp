#include "player/Form1.h"

#include "editor/frmConfig.h"
#include "platform/CommandButton.h"
#include "platform/Twips.h"
#include "player/KeyCodes.h"
#include "player/LogEntries.h"
#include "player/TextBoxes.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace keysound::player {

namespace {
constexpr char32_t EnterKey = 13;
}  // namespace

Form1::Form1(audio::CommandService& mediaCommands, platform::Dialogs& dialogs,
             store::LegacyImportObserver* importObserver, QWidget* parent)
    : QWidget(parent)
    , keyPlayer_(mediaCommands, importObserver)
    , dialogs_(dialogs)
    , importObserver_(importObserver)
{
    setWindowTitle(QStringLiteral("音频调用程序-打字软件-设计制作") + QStringLiteral("keysound"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    setFont(font);
    createControls();
    placeControls();
    describeForAccessibility();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    // Created in tab order: Command1, Text1, Label1 (takes no focus), Text2, Check1.
    Command1 = new platform::CommandButton(QStringLiteral("导入配置音频数据"), this);
    Text1 = new QLineEdit(QStringLiteral("Text1"), this);
    Label1 = new QLabel(QStringLiteral("字母后回车 键位区域-将光标定位 输入数据测试-回车测试"), this);
    Text2 = new LogTextBox(this);
    Check1 = new QCheckBox(QStringLiteral("按键模式"), this);
    Check1->setCheckState(Qt::Checked);
    Text2->setTabChangesFocus(true);  // Tab walks on to Check1, as in every other control

    Text1->installEventFilter(this);
    Text2->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
}

void Form1::placeControls()
{
    platform::resizeClientInTwips(this, 6105, 5655);
    platform::placeInTwips(Command1, 480, 360, 1935, 960);
    platform::placeInTwips(Text1, 120, 2280, 5895, 495);
    platform::placeInTwips(Label1, 240, 1680, 4530, 195);
    platform::placeInTwips(Text2, 120, 3120, 5895, 2535);
    platform::placeInTwips(Check1, 3000, 1200, 1335, 375);
}

void Form1::describeForAccessibility()
{
    Command1->setAccessibleName(QStringLiteral("导入配置音频数据"));
    Command1->setAccessibleDescription(QStringLiteral("打开键位与音频对应表的编辑窗口"));
    Text1->setAccessibleName(QStringLiteral("键位输入"));
    Text1->setAccessibleDescription(QStringLiteral("在此输入按键或单词, 播放对应的音频"));
    Text2->setAccessibleName(QStringLiteral("响应记录"));
    Text2->setAccessibleDescription(QStringLiteral("每次按键的查找结果, 最新的在最上面"));
    Check1->setAccessibleName(QStringLiteral("按键模式"));
    Check1->setAccessibleDescription(QStringLiteral("选中时每个按键单独发音; 不选时输入单词后按回车发音"));
    Label1->setAccessibleName(Label1->text());
}

int Form1::Check1Value() const
{
    switch (Check1->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    }
    return 0;
}

void Form1::Form_Activate() { Text1->setText(QString()); }

void Form1::Text1_GotFocus() { Text1->setText(QString()); }

void Form1::Command1_Click()
{
    if (!editorWindow_)
    {
        editorWindow_ = new editor::frmConfig(dialogs_, this, importObserver_);  // one editor object for the whole run
        connect(editorWindow_, &editor::frmConfig::soundsMayHaveChanged, this, &Form1::soundsMayHaveChanged);
    }
    editorWindow_->Show(1);
    activationPending_ = true;
    if (isActiveWindow())
        runPendingActivation();  // already active again before Show returned
    else
        activateWindow();  // the owner of a closed modal window is active again, on every platform
}

void Form1::Text1_KeyPress(char32_t KeyAscii)
{
    keyPlayer_.stopLastSound();

    if (Check1Value() == 1)
        Text1->setText(keyText(KeyAscii));
    else if (KeyAscii != EnterKey)
        return;

    if (keyPlayer_.playKey(Text1->text()))
        Text2->prependEntry(foundEntry(Text1->text()));
    else
        Text2->prependEntry(notFoundEntry(Text1->text()));
    Text1->setText(QString());
}

// Activation clears the key box only at start and after the editor: coming back from another
// program keeps a half-typed word. The designed text goes as the window shows, in case the
// desktop does not activate it.
bool Form1::event(QEvent* event)
{
    if (event->type() == QEvent::Show && activationPending_)
        Text1->setText(QString());
    if (event->type() == QEvent::WindowActivate)
        runPendingActivation();
    return QWidget::event(event);
}

void Form1::runPendingActivation()
{
    if (!activationPending_)
        return;
    activationPending_ = false;
    Form_Activate();
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    const bool textBox = watched == Text1 || watched == Text2;
    if (textBox && event->type() == QEvent::KeyPress && isAltChord(static_cast<const QKeyEvent&>(*event)))
        return true;  // access keys were offered the chord first; a text box must not type its letter
    if (watched == Text1)
        return handleText1Event(event);
    return QWidget::eventFilter(watched, event);
}

bool Form1::handleText1Event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        // The handler runs first; the box then applies the key as usual.
        for (char32_t code : keyCodesOf(static_cast<const QKeyEvent&>(*event)))
            Text1_KeyPress(code);
        return false;
    case QEvent::InputMethod: {
        auto* imEvent = static_cast<QInputMethodEvent*>(event);
        if (imEvent->commitString().isEmpty())
            return false;  // composition in progress: nothing is typed yet
        for (char32_t code : keyCodesOfCommit(imEvent->commitString())) {
            Text1_KeyPress(code);
            Text1->insert(keyText(code));
        }
        QInputMethodEvent preeditOnly(imEvent->preeditString(), imEvent->attributes());
        QCoreApplication::sendEvent(Text1, &preeditOnly);
        return true;
    }
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            Text1_GotFocus();
        return false;
    }
    default: return false;
    }
}

}  // namespace keysound::player
