#pragma once

#include "player/KeyPlayer.h"

#include <QLineEdit>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace keysound::store {
class LegacyImportObserver;
}

namespace keysound::editor {
class frmConfig;
}

namespace keysound::platform {
class Dialogs;
}

namespace keysound::player {

class LogTextBox;

// The main window: the key-entry box, the log, the mode box and the editor button.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // The editor shows its dialogs through dialogs. The import observer, if any, hears of a legacy
    // table imported by a lookup or the editor.
    Form1(audio::CommandService& mediaCommands, platform::Dialogs& dialogs,
          store::LegacyImportObserver* importObserver = nullptr, QWidget* parent = nullptr);
    ~Form1() override;

    // Event handlers, public so that tests can drive them as the toolkit does.
    void Form_Activate();
    void Text1_GotFocus();
    void Text1_KeyPress(char32_t KeyAscii);
    void Command1_Click();

    QPushButton* Command1;
    QLineEdit* Text1;
    QLabel* Label1;
    LogTextBox* Text2;
    QCheckBox* Check1;

    int Check1Value() const;  // 0 clear, 1 ticked, 2 greyed
    const KeyPlayer& keyPlayer() const { return keyPlayer_; }

signals:
    // The editor changed the table or its sounds (or may have).
    void soundsMayHaveChanged();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void placeControls();
    void describeForAccessibility();
    bool handleText1Event(QEvent* event);
    void runPendingActivation();

    KeyPlayer keyPlayer_;
    platform::Dialogs& dialogs_;
    store::LegacyImportObserver* importObserver_;
    editor::frmConfig* editorWindow_ = nullptr;
    bool activationPending_ = true;  // at start and after each visit to the editor
};

}  // namespace keysound::player
