#include "store/legacy/JetReaderProcess.h"

#include "platform/Error.h"
#include "platform/InstallLayout.h"
#include "store/legacy/JetStream.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <cstring>

namespace keysound::store {

namespace {

constexpr qint64 kMegabyte = 1024 * 1024;
constexpr int kExitFileUnreadable = 1;  // the reader wrote its reason as a failure record

[[noreturn]] void throwDamaged(const QString& nativePath, DatabaseFormat claimed, const QString& why)
{
    throw Error(ErrorNumber::UnrecognizedFormat,
                QStringLiteral("数据库文件“%1”（%2 格式）已损坏，无法读取（%3）。原文件未作任何改动。")
                    .arg(QDir::toNativeSeparators(nativePath), formatName(claimed), why));
}

QString firstLine(const QByteArray& text)
{
    return QString::fromLocal8Bit(text.left(text.indexOf('\n'))).left(200);
}

QString whyTheReaderFailed(const ProcessOutcome& outcome, const ProcessLimits& limits)
{
    if (outcome.timedOut)
        return QStringLiteral("读取超过 %1 秒仍未结束").arg(limits.wallClockMs / 1000.0, 0, 'f', 1);
    if (outcome.outputTooLarge)
        return QStringLiteral("读取结果超过 %1 MB 的上限").arg(limits.outputBytes / kMegabyte);
    if (outcome.signal == SIGXCPU)
        return QStringLiteral("读取用尽了 %1 秒的处理器时间").arg(limits.cpuSeconds);
    if (outcome.signal != 0)
        return QStringLiteral("读取进程异常终止：%1").arg(QString::fromLocal8Bit(::strsignal(outcome.signal)));
    const QString said = firstLine(outcome.diagnostics);
    return said.isEmpty() ? QStringLiteral("读取结果不完整") : QStringLiteral("读取结果不完整：%1").arg(said);
}

}  // namespace

QString jetReaderExecutable()
{
    return platform::helperExecutable(QStringLiteral("keysound-jet-reader"));
}

// A few seconds for a db1.mdb of a few MB; libmdb needs far less when the file is whole.
ProcessLimits jetReaderLimits(qint64 fileBytes)
{
    ProcessLimits limits;
    limits.wallClockMs = int(std::min<qint64>(2000 + fileBytes * 1000 / kMegabyte, 600000));
    limits.cpuSeconds = limits.wallClockMs / 1000 + 1;
    limits.addressSpaceBytes = 512 * kMegabyte + 16 * fileBytes;
    limits.outputBytes = 64 * kMegabyte + 8 * fileBytes;
    limits.diagnosticBytes = 16 * 1024;
    return limits;
}

JetDatabase readJetDatabase(const QString& nativePath, DatabaseFormat claimed, const std::function<void()>& whileWaiting)
{
    const QString executable = jetReaderExecutable();
    if (!QFileInfo(executable).isExecutable())
        throw Error(ErrorNumber::LegacyImportFailed,
                    QStringLiteral("找不到读取旧版数据库的程序“%1”，无法导入“%2”。")
                        .arg(QDir::toNativeSeparators(executable), QDir::toNativeSeparators(nativePath)));
    const ProcessLimits limits = jetReaderLimits(QFileInfo(nativePath).size());
    const ProcessOutcome outcome =
        runLimitedProcess(executable, {QStringLiteral("--"), QFileInfo(nativePath).absoluteFilePath()}, limits, whileWaiting);
    const bool ended = outcome.exited && (outcome.exitCode == 0 || outcome.exitCode == kExitFileUnreadable);
    const std::optional<jetstream::Parsed> parsed = ended ? jetstream::parse(outcome.output) : std::nullopt;
    if (!parsed || parsed->database.has_value() != (outcome.exitCode == 0))
        throwDamaged(nativePath, claimed, whyTheReaderFailed(outcome, limits));
    if (!parsed->database)
        throwDamaged(nativePath, claimed, parsed->failure);
    return *parsed->database;
}

}  // namespace keysound::store
