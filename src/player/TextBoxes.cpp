#include "player/TextBoxes.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace keysound::player {

namespace {
// The document knows only line ends; a carriage return of its own (the Enter key looked up in
// single-key mode) is shown as a return arrow, which common fonts have, and Text gives it back.
constexpr char16_t CarriageReturnPicture = u'\u21B5';

QString toDocumentText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QChar(CarriageReturnPicture));
    return text;
}

QString fromDocumentText(QString text)
{
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    text.replace(QChar(CarriageReturnPicture), QLatin1Char('\r'));
    return text;
}
}  // namespace

LogTextBox::LogTextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    // An undo history of every log entry would grow without bound.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QString LogTextBox::Text() const
{
    return fromDocumentText(toPlainText());
}

void LogTextBox::setText(const QString& text)
{
    setPlainText(toDocumentText(text));
}

void LogTextBox::prependText(const QString& text)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText(toDocumentText(text));
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());  // the newest entry stays in view
}

}  // namespace keysound::player
