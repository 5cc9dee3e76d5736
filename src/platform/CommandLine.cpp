#include "platform/CommandLine.h"

#include "platform/PlatformText.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace keysound::platform {

namespace {
CommandLine endingWith(int status, const QString& message)
{
    CommandLine line;
    line.endStatus = status;
    line.message = message;
    return line;
}

CommandLine usageError(const QString& why)
{
    const QString name = QCoreApplication::applicationName();
    const QString hint = PlatformText::tr("Try \"%1 --help\" for the options it takes.");
    return endingWith(CommandLine::UsageErrorExitCode, QStringLiteral("%1: %2\n%3\n").arg(name, why, hint.arg(name)));
}
}  // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(PlatformText::tr("Plays a sound for every key you type."));
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    PlatformText::tr("Use the mappings db1.mdb and the sounds MP3 in the folder DIR."),
                                    PlatformText::tr("DIR"));
    parser.addOption(folder);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            PlatformText::tr("Unexpected argument \"%1\".").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return endingWith(0, parser.helpText());
    if (parser.isSet(version))
        return endingWith(0, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                           QCoreApplication::applicationVersion()));
    CommandLine line;
    if (parser.isSet(folder))
        line.folder = parser.value(folder);
    return line;
}

}  // namespace keysound::platform
