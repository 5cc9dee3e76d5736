#pragma once

#include "platform/Dialogs.h"

namespace keysound::test {

// Answers message boxes, beeps and file-open dialogs at once and records them.
struct ScriptedDialogs : platform::Dialogs {
    QStringList messages;
    int beeps = 0, openDialogs = 0;
    QString nextPick;  // what the file-open dialog answers: a native path, or "" for a cancel

    void messageBox(QWidget*, const QString& text) override { messages << text; }
    void beep() override { ++beeps; }
    QString getOpenFileName(QWidget*, const QString&) override
    {
        ++openDialogs;
        return nextPick;
    }
};

}  // namespace keysound::test
