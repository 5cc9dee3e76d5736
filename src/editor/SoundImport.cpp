#include "editor/SoundImport.h"

#include "editor/EditorText.h"
#include "editor/StringBack.h"
#include "platform/AppFolder.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/FileServices.h"
#include "platform/TableFolder.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Schema.h"

namespace keysound::editor {

void OpenFileDialog::ShowOpen(platform::Dialogs& dialogs, QWidget* owner)
{
    const QString picked = dialogs.getOpenFileName(owner, Filter);
    FileName.clear();
    // In the program's path text a backslash separates folders, so such a path would name
    // another file.
    if (picked.contains(QLatin1Char('\\')))
        throw Error(ErrorNumber::BadFileName, EditorText::tr("Cannot import \"%1\": its path holds a backslash "
                                                             "\"\\\", which this program takes for a folder "
                                                             "separator. Rename the file or the folder first.")
                                                  .arg(picked));
    FileName = platform::programPathText(picked);
}

SoundImport::SoundImport(TextBox fileNameBox, store::Recordset* recordset, QString appFolder)
    : box_(std::move(fileNameBox))
    , recordset_(recordset)
    , appFolder_(std::move(appFolder))
{}

void SoundImport::run(const QString& pickedPathText)
{
    const QString previousText = box_.text();
    box_.setText(getStringBack(pickedPathText, QStringLiteral("\\")));
    try {
        platform::copyFileReplacing(pickedPathText, platform::TableFolder(appFolder_).soundPathText(box_.text()));
    } catch (const Error&) {
        box_.setText(previousText);
        throw;
    }
    setRecordFileName(box_.text());
}

void SoundImport::setRecordFileName(const QString& fileName)
{
    try {
        if (recordset_)
            recordset_->setValue(store::schema::FileColumn, fileName);
    } catch (const Error&) {
        // no current record (empty table, BOF or EOF): the copied file waits for a record
    }
}

}  // namespace keysound::editor
