// keysound-db unpack of a keyboard sound pack: what came in, what stayed out and why.
#include "DbCommand.h"
#include "DbTool.h"
#include "DbToolText.h"
#include "KeyboardPackImport.h"
#include "progress/ProgressReporter.h"

#include <QHash>

namespace keysound::tools {

namespace {

constexpr int ListedCodes = 12;  // a list longer than this is cut short

QString shortList(const QStringList& items)
{
    QString list = items.mid(0, ListedCodes).join(QStringLiteral(", "));
    return items.size() > ListedCodes ? list + QStringLiteral(", …") : list;
}

// The keys that type control characters or a blank, by name: printed as they are, they would
// move the terminal's cursor or vanish.
QString keyName(const QString& key)
{
    static const QHash<QString, const char*> names{{QStringLiteral("\r"), QT_TRANSLATE_NOOP("DbToolText", "Enter")},
                                                   {QStringLiteral("\b"), QT_TRANSLATE_NOOP("DbToolText", "Backspace")},
                                                   {QStringLiteral("\t"), QT_TRANSLATE_NOOP("DbToolText", "Tab")},
                                                   {QStringLiteral("\x1b"), QT_TRANSLATE_NOOP("DbToolText", "Esc")},
                                                   {QStringLiteral(" "), QT_TRANSLATE_NOOP("DbToolText", "Space")}};
    const char* name = names.value(key);
    return name ? DbToolText::tr(name) : key;
}

QString keyList(const QList<SeedMapping>& mappings)
{
    QStringList keys;
    for (const SeedMapping& mapping : mappings)
        keys.append(keyName(mapping.key));
    return shortList(keys);
}

QString leftOutReason(keyboardpack::LeftOut reason)
{
    using keyboardpack::LeftOut;
    switch (reason) {
    case LeftOut::NotAKeyCode: return DbToolText::tr("they are no scan codes");
    case LeftOut::TypesNothing: return DbToolText::tr("they type nothing on a US keyboard (function, modifier and navigation keys)");
    case LeftOut::KeypadTwin: return DbToolText::tr("keypad keys whose character the main key sounds already");
    case LeftOut::NoSound: return DbToolText::tr("the pack gives them no sound");
    case LeftOut::PastTheEnd: return DbToolText::tr("their slice begins after the end of the pack's sound");
    }
    return {};
}

void reportPack(const keyboardpack::ImportReport& report, QTextStream& out)
{
    for (auto reason = report.leftOut.cbegin(); reason != report.leftOut.cend(); ++reason)
        out << DbToolText::tr("%n key(s) left out, %1: %2", nullptr, int(reason->size()))
                   .arg(leftOutReason(reason.key()), shortList(*reason))
            << '\n';
    if (report.releaseSounds > 0)
        out << DbToolText::tr("%n release sound(s) not brought in: keysound sounds a key when it is pressed.", nullptr,
                              report.releaseSounds)
            << '\n';
    for (const keyboardpack::CutSlice& cut : report.cutSlices)
        out << DbToolText::tr("the slice of %1 ms from %2 ms runs past the end of the sound and was cut after %3 ms")
                   .arg(cut.slice.lengthMs)
                   .arg(cut.slice.startMs)
                   .arg(cut.keptMs)
            << '\n';
}

}  // namespace

int unpackKeyboardPack(const QString& packPath, const QString& folder, pack::UnpackMode mode, QTextStream& out)
{
    const std::unique_ptr<keyboardpack::SoundJudge> judge = keyboardpack::sandboxedJudge();
    std::unique_ptr<ProgressReporter> progress;
    const keyboardpack::ImportReport report =
        keyboardpack::importKeyboardPack(packPath, folder, mode, *judge, [&](int total, const QString& item) {
            if (!progress && total > QuietRunItems)
                progress = ProgressReporter::onStandardError(total);
            if (progress)
                progress->begin(item);
        });
    if (progress)
        progress->finish();
    reportPack(report, out);
    if (!report.table.keysKept.isEmpty())
        out << DbToolText::tr("%n key(s) mapped already keep their mapping: %1", nullptr,
                              int(report.table.keysKept.size()))
                   .arg(keyList(report.table.keysKept))
            << '\n';
    reportRenamedSounds(report.table, out);
    int leftOut = 0;
    for (const QStringList& codes : report.leftOut)
        leftOut += int(codes.size());
    out << DbToolText::tr("%1: %2 key(s) of the keyboard sound pack \"%3\" mapped, %4 kept their mapping, %5 left "
                          "out; %6 sound(s) brought in.")
               .arg(native(folder))
               .arg(report.table.rowsAdded)
               .arg(report.packName)
               .arg(report.table.keysKept.size())
               .arg(leftOut)
               .arg(report.table.soundsAdded)
        << '\n';
    return ExitStatus::Ok;
}

}  // namespace keysound::tools
