#include "store/legacy/JetReaderProcess.h"

#include "platform/Error.h"
#include "platform/InstallLayout.h"
#include "store/legacy/JetStream.h"
#include "store/legacy/LegacyImportText.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <cstring>

namespace keysound::store {

namespace {

constexpr qint64 Megabyte = 1024 * 1024;
constexpr int ExitFileUnreadable = 1;  // the reader wrote its reason as a failure record

[[noreturn]] void throwDamaged(const QString& nativePath, DatabaseFormat claimed, const QString& why)
{
    throw Error(ErrorNumber::UnrecognizedFormat,
                LegacyImportText::tr("The database file \"%1\" (%2 format) is damaged and cannot be read. The original "
                                     "file was not changed. Reason: %3.")
                    .arg(QDir::toNativeSeparators(nativePath), formatName(claimed), why));
}

QString firstLine(const QByteArray& text) { return QString::fromLocal8Bit(text.left(text.indexOf('\n'))).left(200); }

QString whyTheReaderFailed(const ProcessOutcome& outcome, const ProcessLimits& limits)
{
    if (outcome.timedOut)
        return LegacyImportText::tr("reading did not end within %1 seconds")
            .arg(limits.wallClockMs / 1000.0, 0, 'f', 1);
    if (outcome.outputTooLarge)
        return LegacyImportText::tr("what was read exceeded the limit of %1 MB").arg(limits.outputBytes / Megabyte);
    if (outcome.signal == SIGXCPU)
        return LegacyImportText::tr("reading used up its %1 seconds of processor time").arg(limits.cpuSeconds);
    if (outcome.signal != 0)
        return LegacyImportText::tr("the reading process ended abnormally: %1")
            .arg(QString::fromLocal8Bit(::strsignal(outcome.signal)));
    const QString said = firstLine(outcome.diagnostics);
    return said.isEmpty() ? LegacyImportText::tr("what was read is incomplete")
                          : LegacyImportText::tr("what was read is incomplete: %1").arg(said);
}

}  // namespace

QString jetReaderExecutable() { return platform::helperExecutable(QStringLiteral("keysound-jet-reader")); }

// A few seconds for a db1.mdb of a few MB; libmdb needs far less when the file is whole.
ProcessLimits jetReaderLimits(qint64 fileBytes)
{
    ProcessLimits limits;
    limits.wallClockMs = int(std::min<qint64>(2000 + fileBytes * 1000 / Megabyte, 600000));
    limits.cpuSeconds = limits.wallClockMs / 1000 + 1;
    limits.addressSpaceBytes = 512 * Megabyte + 16 * fileBytes;
    limits.outputBytes = 64 * Megabyte + 8 * fileBytes;
    limits.diagnosticBytes = 16 * 1024;
    return limits;
}

JetDatabase readJetDatabase(const QString& nativePath, DatabaseFormat claimed,
                            const std::function<void()>& whileWaiting)
{
    const QString executable = jetReaderExecutable();
    if (!QFileInfo(executable).isExecutable())
        throw Error(ErrorNumber::LegacyImportFailed,
                    LegacyImportText::tr("Cannot import \"%2\": the program \"%1\" that reads old databases was not "
                                         "found.")
                        .arg(QDir::toNativeSeparators(executable), QDir::toNativeSeparators(nativePath)));
    const ProcessLimits limits = jetReaderLimits(QFileInfo(nativePath).size());
    const ProcessOutcome outcome = runLimitedProcess(
        executable, {QStringLiteral("--"), QFileInfo(nativePath).absoluteFilePath()}, limits, whileWaiting);
    const bool ended = outcome.exited && (outcome.exitCode == 0 || outcome.exitCode == ExitFileUnreadable);
    const std::optional<jetstream::Parsed> parsed = ended ? jetstream::parse(outcome.output) : std::nullopt;
    if (!parsed || parsed->database.has_value() != (outcome.exitCode == 0))
        throwDamaged(nativePath, claimed, whyTheReaderFailed(outcome, limits));
    if (!parsed->database)
        throwDamaged(nativePath, claimed, parsed->failure);
    return *parsed->database;
}

}  // namespace keysound::store
