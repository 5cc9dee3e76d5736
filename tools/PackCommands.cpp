// keysound-db pack and unpack: a whole table with its sounds in one file, for handing it on.
#include "DbCommand.h"
#include "DbTool.h"
#include "DbToolText.h"
#include "OutputFile.h"
#include "PackFiles.h"
#include "TablePack.h"

#include "audio/SoundDecoder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace keysound::tools {

namespace {

QString describeKey(const QVariant& key)
{
    if (key.isNull())
        return DbToolText::tr("no key");
    return QStringLiteral("\"%1\"").arg(key.toString());
}

}  // namespace

void reportRenamedSounds(const pack::UnpackReport& report, QTextStream& out)
{
    for (const pack::RenamedSound& renamed : report.renamedSounds)
        out << DbToolText::tr("MP3/%1 holds another sound: the pack's came in as MP3/%2")
                   .arg(renamed.packPath, renamed.tablePath)
            << '\n';
}

int pack(const Invocation& invocation, QTextStream& out)
{
    const QString folder = tableFolder(invocation);
    const QString packPath = invocation.arguments.first();
    if (QFileInfo::exists(packPath) && !invocation.options.isSet(QStringLiteral("force")))
        throw existingFileError(packPath);
    audio::SoundDecoder decoder;
    const pack::PackReport report =
        pack::packTable(folder, packPath, [&](const QString& path) { return decoder.problemWith(path); });
    for (const pack::LeftOutRow& row : report.leftOut) {
        out << DbToolText::tr("row %1 (key %2) left out: %3").arg(row.row).arg(describeKey(row.key), row.reason)
            << '\n';
    }
    out << DbToolText::tr("%1: %2 mapping(s) and %3 sound(s) packed into %4.")
               .arg(native(folder))
               .arg(report.rowsPacked)
               .arg(report.soundsStored)
               .arg(native(packPath))
        << '\n';
    return report.leftOut.isEmpty() ? ExitStatus::Ok : ExitStatus::ProblemsFound;
}

int unpack(const Invocation& invocation, QTextStream& out)
{
    const QString folder = tableFolder(invocation);
    const QString packPath = invocation.arguments.first();
    const pack::UnpackMode mode = invocation.options.isSet(QStringLiteral("replace-table"))
                                      ? pack::UnpackMode::ReplaceTable
                                      : pack::UnpackMode::Merge;
    if (keyboardpack::isKeyboardPack(packPath))  // told apart by what it holds, not by its name
        return unpackKeyboardPack(packPath, folder, mode, out);
    audio::SoundDecoder decoder;
    const pack::UnpackReport report =
        pack::unpackTable(packPath, folder, mode, [&](const QString& path) { return decoder.problemWith(path); });
    for (const SeedMapping& kept : report.keysKept)
        out << DbToolText::tr("key \"%1\" is mapped already and keeps its mapping; the pack's (%2) was left out")
                   .arg(kept.key, kept.fileName)
            << '\n';
    reportRenamedSounds(report, out);
    out << DbToolText::tr("%1: %2 mapping(s) and %3 sound(s) brought in from %4.")
               .arg(native(folder))
               .arg(report.rowsAdded)
               .arg(report.soundsAdded)
               .arg(native(packPath))
        << '\n';
    return ExitStatus::Ok;
}

}  // namespace keysound::tools
