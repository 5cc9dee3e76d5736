#pragma once

#include <QString>
#include <QStringList>

namespace keysound::player {

// The sounds of the table in the application folder, as path texts, in the order they are likeliest
// to be wanted: those of single keys in the table's order, then those of words. Each sound once.
// Empty when the table cannot be read now (a legacy file not yet imported, a damaged file ...): the
// keys are then decoded as they come.
QStringList tableSoundPaths();
QStringList tableSoundPaths(const QString& appFolder);

}  // namespace keysound::player
