#include "player/TextBoxes.h"

#include "player/LogEntries.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace keysound::player {

namespace {
// Marks characters the box itself turned into pictures, so that a picture the user typed stays one.
constexpr int ControlPictureProperty = QTextFormat::UserProperty + 1;
// The document knows only line ends; a carriage return of its own (Enter looked up in single-key
// mode) is the return arrow, like the key cap, rather than the barely known CR picture.
constexpr char16_t CarriageReturnPicture = u'\u21B5';
constexpr char16_t DeletePicture = u'\u2421';
constexpr char16_t FirstControlPicture = u'\u2400';  // U+2400 + code for the codes 0 to 32 (blank)

bool needsPicture(QChar character, bool blanksAsPictures)
{
    const char16_t code = character.unicode();
    return code < 0x20 || code == 0x7f || (blanksAsPictures && code == u' ');
}

QChar pictureOf(QChar character)
{
    if (character == u'\r')
        return CarriageReturnPicture;
    if (character.unicode() == 0x7f)
        return DeletePicture;
    return char16_t(FirstControlPicture + character.unicode());
}

QChar characterOfPicture(QChar picture)
{
    const char16_t code = picture.unicode();
    if (code == CarriageReturnPicture)
        return u'\r';
    if (code == DeletePicture)
        return char16_t(0x7f);
    if (code >= FirstControlPicture && code <= FirstControlPicture + 0x20)
        return char16_t(code - FirstControlPicture);
    return picture;
}

QString charactersOfPictures(QString shown)
{
    for (QChar& character : shown)
        character = characterOfPicture(character);
    return shown;
}
}  // namespace

LogTextBox::LogTextBox(QWidget* parent)
    : QPlainTextEdit(parent)
{
    // An undo history of every log entry would grow without bound.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QString LogTextBox::Text() const
{
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin())
            text += QStringLiteral("\r\n");
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const bool pictures = fragment.charFormat().boolProperty(ControlPictureProperty);
            text += pictures ? charactersOfPictures(fragment.text()) : fragment.text();
        }
    }
    return text;
}

void LogTextBox::setText(const QString& text)
{
    clear();
    QTextCursor cursor(document());
    insertShown(cursor, text, Blanks::AsTyped);
}

void LogTextBox::prependText(const QString& text)
{
    QTextCursor cursor(document());
    insertShown(cursor, text, Blanks::AsTyped);
    keepNewestInView();
}

void LogTextBox::prependEntry(const LogEntry& entry)
{
    QTextCursor cursor(document());
    cursor.beginEditBlock();  // one change for the layout, not one per piece
    insertShown(cursor, entry.message, Blanks::AsTyped);
    insertShown(cursor, entry.keyText, showsBlankAsPicture(entry.keyText) ? Blanks::AsPictures : Blanks::AsTyped);
    insertShown(cursor, entry.lineEnds, Blanks::AsTyped);
    cursor.endEditBlock();
    keepNewestInView();
}

// CR LF becomes a line end; every other control character (and a blank, when asked) a picture.
void LogTextBox::insertShown(QTextCursor& cursor, const QString& text, Blanks blanks)
{
    QTextCharFormat pictureFormat;
    pictureFormat.setProperty(ControlPictureProperty, true);
    QString run;
    bool runIsPictures = false;
    const auto flush = [&] {
        cursor.insertText(run, runIsPictures ? pictureFormat : QTextCharFormat());
        run.clear();
    };
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool lineEnd = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        const bool picture = !lineEnd && needsPicture(text[i], blanks == Blanks::AsPictures);
        if (picture != runIsPictures && !run.isEmpty())
            flush();
        runIsPictures = picture;
        run += lineEnd ? QChar(u'\n') : picture ? pictureOf(text[i]) : text[i];
        i += lineEnd ? 1 : 0;
    }
    if (!run.isEmpty())
        flush();
    cursor.endEditBlock();
}

void LogTextBox::keepNewestInView() { verticalScrollBar()->setValue(verticalScrollBar()->minimum()); }

}  // namespace keysound::player
