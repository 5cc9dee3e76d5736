#pragma once

#include <QByteArray>
#include <QString>

namespace keysound::audio {
class CommandService;
}

namespace keysound::store {
class LegacyImportObserver;
}

namespace keysound::player {

// A key's way from its text to its sound, without a window: the lookup in the table, the sound
// the last found key named (the next key stops it), and the media commands. A sound's path is
// built once per found key, as path text and native path; it becomes 8-bit text once, where the
// command string is made.
class KeyPlayer {
public:
    // The observer, if any, hears of a legacy table imported by a lookup; it must outlive the player.
    KeyPlayer(audio::CommandService& mediaCommands, store::LegacyImportObserver* importObserver);

    // At every key: stops the sound the last found key named, when its file is there.
    void stopLastSound();
    // Looks the key text up; a found key's sound starts when its file is there. Returns whether
    // the table maps the key. Nothing is kept between keys but the last sound: whatever the editor
    // saved is what the next key finds. Throws keysound::Error (file, table or column missing ...).
    bool playKey(const QString& keyText);

    // "<folder>\MP3\<file name>" of the last found key; "" before the first.
    const QString& lastSoundPath() const { return lastSound_.pathText; }

    // The platform's short form of a path for a command string (see audio::getShortPathName);
    // empty when the file is not there or no short form fits.
    static QByteArray ShortPathName(const QByteArray& strPathName);

private:
    void sendMediaCommand(const QByteArray& verb);

    struct Sound {
        QString pathText;
        QString nativePath;    // where the file system is asked whether it is there
        QByteArray ansiPath;   // what the commands name
    };

    audio::CommandService& mediaCommands_;
    store::LegacyImportObserver* importObserver_;
    Sound lastSound_;
};

}  // namespace keysound::player
