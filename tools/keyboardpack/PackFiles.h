#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// The files of a keyboard sound pack: a folder holding config.json, or a zip of one with
// config.json at its root or inside one top folder. Every name is checked before a byte is read.
namespace keysound::keyboardpack {

inline const QString ConfigFileName = QStringLiteral("config.json");

class PackFiles {
public:
    // Throws Refusal when the zip breaks a table pack's bounds or has no single config.json, and
    // keysound::Error when the pack cannot be opened at all.
    static std::unique_ptr<PackFiles> open(const QString& packPath);
    virtual ~PackFiles() = default;

    // The file at a path of the pack ('/' or '\' between folders), at most maxBytes. Throws
    // Refusal when the path leaves the pack, names no file, a link, or a larger one.
    virtual QByteArray read(const QString& path, qint64 maxBytes) const = 0;
};

// Whether the pack at path is a keyboard sound pack rather than a keysound table pack, told by
// what it holds: config.json, in a folder or a zip that has no table pack's format entry.
bool isKeyboardPack(const QString& path);

}  // namespace keysound::keyboardpack
