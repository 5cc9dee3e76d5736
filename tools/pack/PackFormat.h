#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

// The layout of a table pack, shared by the writer and the reader (README "Table packs (.kspack)").
namespace keysound::pack {

inline const QString FormatEntryName = QStringLiteral("format");
inline const QString TableEntryName = QStringLiteral("mappings.tsv");
inline const QString SoundFolderPrefix = QStringLiteral("MP3/");
// The format entry's whole content; a later format changes the number.
inline constexpr char FormatMarkerPrefix[] = "keysound table pack ";
inline constexpr int FormatVersion = 1;
QByteArray formatMarker();

// What unpacking a pack may cost at most; packing stays within it too. A table maps keys and
// words to short sounds: real ones hold tens to a few thousand, of some KB each. These bounds
// leave room for any of them while a zip bomb (a few KB that state or inflate to terabytes, or
// millions of empty entries) is refused before anything is written.
namespace limits {
inline constexpr qint64 MaxEntries = 20000;
inline constexpr qint64 MaxUnpackedBytes = qint64(1) << 30;  // every entry together, as stated
// mappings.tsv alone: a table at the row bound of a recordset (250,000 rows) of some 16 bytes a row,
// or tens of thousands of words; held as rows it stays within the 64 MB an unpack may take.
inline constexpr qint64 MaxTableBytes = qint64(4) << 20;
// One line of mappings.tsv: a key or a phrase and a sound's file name (at most 4096 bytes on this
// system), both escaped; read one line at a time, so a table is never held whole.
inline constexpr qint64 MaxTableLineBytes = 16 * 1024;
inline constexpr qint64 MaxFormatBytes = 64;
}  // namespace limits

// The path below MP3/ of a row's file name, '\' turned into '/' as the program turns it on
// this system. Nothing when the name would not stay a file inside MP3/: empty, absolute, or
// with an empty, "." or ".." part (or a NUL, which no file name can hold).
std::optional<QString> soundPathOf(const QString& fileName);
bool isSafeSoundPath(const QString& path);

// A sound path as names compare in a pack and in the sound folder: one Unicode normalisation (a file
// copied through another system may come back decomposed) and letter case ignored.
QString comparedName(const QString& path);

// The sound paths of one pack, compared by comparedName() as a case-insensitive or normalising
// file system (or a copy of the table on one) would: no two may be one name, and no sound's name
// may also be a folder of another's.
class SoundNameSet {
public:
    // The path already held that clashes with this one, if any.
    std::optional<QString> clashOf(const QString& path) const;
    void add(const QString& path);

private:
    QHash<QString, QString> files_;    // folded path -> path
    QHash<QString, QString> folders_;  // folded folder -> the path that made it
};

}  // namespace keysound::pack
