// keysound-db unpack of a keyboard sound pack: what came in, what stayed out and why.
#include "DbCommand.h"
#include "DbTool.h"
#include "DbToolText.h"
#include "KeyboardPackImport.h"
#include "progress/ProgressReporter.h"

namespace keysound::tools {

namespace {

constexpr int ListedCodes = 12;  // a list longer than this is cut short

QString codeList(const QStringList& codes)
{
    QString list = codes.mid(0, ListedCodes).join(QStringLiteral(", "));
    return codes.size() > ListedCodes ? list + QStringLiteral(", …") : list;
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
                   .arg(leftOutReason(reason.key()), codeList(*reason))
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
    reportTableChanges(report.table, out);
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
