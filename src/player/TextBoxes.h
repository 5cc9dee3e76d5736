#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

namespace keysound::player {

// A single-line text box with a free-text Tag, as the key-entry box needs.
class TagTextBox : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    QString Tag;
};

// The multi-line log box. Its Text uses CR LF line ends, as the log entries do. New entries
// go in front of the text without rebuilding the rest, so a key costs the same with a long log.
class LogTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LogTextBox(QWidget* parent = nullptr);

    QString Text() const;
    void setText(const QString& text);
    // The same result as setText(text + Text()), without touching the old text.
    void prependText(const QString& text);
};

}  // namespace keysound::player
