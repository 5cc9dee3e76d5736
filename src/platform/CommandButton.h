#pragma once

#include <QPushButton>

namespace keysound::platform {

// A command button as the windows' designs expect: Enter, like Space, clicks it while it has
// the focus, and it is never a dialog's default button, so Enter in a text box presses nothing.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace keysound::platform
