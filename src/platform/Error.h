#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace keysound {

// Error numbers shown to the user. Where the data layer of earlier versions had a well-known
// number for the same failure, we keep it, so that users and support texts recognise it.
namespace ErrorNumber {
inline constexpr int InvalidArgument = 5;         // a function called with an argument it cannot take
inline constexpr int BadFileName = 52;            // a path the program's path text cannot name
inline constexpr int FileAccess = 75;             // a file could not be read, written or copied
inline constexpr int PathNotFound = 76;           // a folder the user named does not exist
inline constexpr int InvalidFileFormat = 321;     // a file (a table pack) breaks the rules of its format
inline constexpr int InvalidBookmark = 3001;      // a bookmark that names no row of the recordset
inline constexpr int NoCurrentRecord = 3021;      // BOF or EOF, or the current row was deleted
inline constexpr int DatabaseNotFound = 3024;     // db1.mdb does not exist
inline constexpr int ReadOnlyDatabase = 3027;     // the file or folder cannot be written
inline constexpr int TableNotFound = 3078;        // the table named in a statement does not exist
inline constexpr int DatabaseLocked = 3218;       // another connection holds the file longer than we wait
inline constexpr int OperationNotAllowed = 3219;  // the recordset cannot do this in its present state
inline constexpr int ItemNotFound = 3265;         // a column named by the program does not exist
inline constexpr int UnrecognizedFormat = 3343;   // the file is not a database we can open
inline constexpr int DiskFull = 3035;             // the file system refused to grow the file
inline constexpr int EngineError = 3146;          // any other failure reported by the database engine
inline constexpr int LegacyImportFailed = 3400;   // a legacy database could not be imported
inline constexpr int SpeechFailed = 3410;         // a text could not be spoken or encoded as a sound file
}  // namespace ErrorNumber

// The one error type of keysound: a number and a description that names what failed and why.
// Lower layers throw it; the windows decide how it is shown.
class Error : public std::exception {
public:
    Error(int number, QString description);

    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    int number_;
    QString description_;
    QByteArray utf8_;
};

// How an error is shown to the user: its number and its description.
QString errorText(int number, const QString& description);
inline QString errorText(const Error& error) { return errorText(error.number(), error.description()); }

}  // namespace keysound
