#pragma once

#include <QPlainTextEdit>

class QTextCursor;

namespace keysound::player {

struct LogEntry;

// The multi-line log box. Its Text uses CR LF line ends, as the log entries do. Control characters
// the document cannot show (a CR of its own, Backspace, Esc, Ctrl+letter) appear as their control
// pictures and Text gives the characters back exactly. New entries go in front of the text
// without rebuilding the rest, so a key costs the same with a long log.
class LogTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LogTextBox(QWidget* parent = nullptr);

    QString Text() const;
    void setText(const QString& text);
    // The same result as setText(text + Text()), without touching the old text.
    void prependText(const QString& text);
    // As prependText of the whole entry, with a key that is a blank shown as its picture (see
    // showsBlankAsPicture()).
    void prependEntry(const LogEntry& entry);

private:
    enum class Blanks { AsTyped, AsPictures };
    void insertShown(QTextCursor& cursor, const QString& text, Blanks blanks);
    void keepNewestInView();
};

}  // namespace keysound::player
