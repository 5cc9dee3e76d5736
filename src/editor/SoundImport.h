#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace keysound::store {
class Recordset;
}

namespace keysound::platform {
class Dialogs;
}

namespace keysound::editor {

// The window's file-open dialog: a filter set before showing, and the path picked by the last
// showing ("" when the user cancelled, so a cancel never repeats an earlier pick).
struct OpenFileDialog {
    QString Filter;
    QString FileName;  // the program's path text ("\" separators)

    // Throws keysound::Error (FileName then "") for a picked path with a backslash in it.
    void ShowOpen(platform::Dialogs& dialogs, QWidget* owner);
};

// Copies a picked sound file into the sound folder under its own name and makes that name the
// current record's 文件名, a pending change that Update saves.
class SoundImport {
public:
    struct TextBox {
        std::function<QString()> text;
        std::function<void(const QString&)> setText;
    };

    SoundImport(TextBox fileNameBox, store::Recordset* recordset, QString appFolder);

    // Throws keysound::Error when the copy fails; the box then shows its earlier text again and the
    // record is untouched. A missing current record is no failure: the file is copied, the box
    // shows its name, and the record is left alone.
    void run(const QString& pickedPathText);

private:
    void setRecordFileName(const QString& fileName);

    TextBox box_;
    store::Recordset* recordset_;
    QString appFolder_;
};

}  // namespace keysound::editor
