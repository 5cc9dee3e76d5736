#include "DbTool.h"

#include "DbCommand.h"
#include "DbToolText.h"
#include "MappingCheck.h"
#include "OutputFile.h"
#include "SeedFile.h"
#include "platform/AnsiText.h"
#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "platform/TableFolder.h"
#include "store/Schema.h"
#include "MappingTable.h"
#include "store/legacy/LegacyImport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <limits>

namespace keysound::tools {

namespace {

QString usage()
{
    return DbToolText::tr(
        "Usage: keysound-db COMMAND [OPTIONS] ARGUMENTS\n"
        "Manage keysound's mapping database db1.mdb (key -> sound file in MP3/).\n"
        "\n"
        "Commands:\n"
        "  init [--seed FILE.tsv] [--force] PATH\n"
        "        Create a new, empty mapping database at PATH. --seed fills it from a UTF-8 file\n"
        "        of \"key<TAB>file name\" lines ('#' starts a comment line). PATH must not exist\n"
        "        unless --force is given; it is replaced only once the new file is complete.\n"
        "  import LEGACY.mdb NEW.db\n"
        "        Copy a Jet 3 / Jet 4 database of an earlier version into a new SQLite file:\n"
        "        every table, column and row. LEGACY.mdb is not changed; NEW.db must not exist.\n"
        "  export [--force] DB1 [FILE.tsv]\n"
        "        Write the mappings of DB1 (an SQLite or Jet file) as a seed file that init --seed\n"
        "        reads back exactly (to standard output without FILE; an existing FILE is kept\n"
        "        unless --force is given). In both, a backslash escapes\n"
        "        \\t tab, \\n line feed, \\r carriage return, \\\\ backslash, \\# a key's leading '#'\n"
        "        and \\uFEFF a key's leading U+FEFF; one byte-order mark that starts the file is\n"
        "        not part of the first key.\n"
        "  check\n"
        "        List mappings whose sound file is missing or not playable, keys that occur more\n"
        "        than once ignoring case, and empty keys (check APPFOLDER: the table of APPFOLDER).\n"
        "  speak [--voice VOICE] [--force] [KEY...]\n"
        "        Speak each key and write it as an MP3 into MP3/: every mapping whose sound file is\n"
        "        missing, or only the KEYs named (a KEY the table lacks is mapped). A mapping without\n"
        "        a file name gets one. The voice is chosen for each key (Mandarin for Chinese,\n"
        "        English otherwise); --voice names an espeak-ng voice for all. An existing sound is\n"
        "        replaced only with --force.\n"
        "  add [--overwrite] FILE...\n"
        "        Copy each sound file into MP3/ and map its name to it (\"你好.mp3\" maps the key\n"
        "        \"你好\"). A key that is mapped already, or a name MP3/ holds with another sound, is\n"
        "        skipped unless --overwrite is given. A file that does not play is refused.\n"
        "  pack [--force] FILE.kspack\n"
        "        Write the table and every sound it uses into one file, to hand it on.\n"
        "  unpack [--replace-table] PACK\n"
        "        Bring a pack into the table: its mappings join the table's (a key the table has\n"
        "        keeps its mapping) or, with --replace-table, replace them. No sound is ever\n"
        "        overwritten: one whose name is taken comes in under a new name. PACK is a\n"
        "        .kspack, or a keyboard sound pack: a folder with config.json, or a zip of one.\n"
        "\n"
        "Options, also after the command:\n"
        "  --folder DIR   the table in DIR (db1.mdb and MP3/); without it, KEYSOUND_FOLDER or the\n"
        "                 table keysound itself would use\n"
        "  --             every word after it is an argument, even one starting with '-'\n"
        "  -h, --help     show this help and exit\n"
        "  --version      show the version and exit\n"
        "\n"
        "Exit status: 0 success, 1 check found problems, 2 usage error, 3 failure.\n");
}

// The options every command takes, before or after its name. An option for all commands is
// added here and read from the Invocation the command gets.
QList<QCommandLineOption> globalOptions()
{
    return {QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QString()),
            QCommandLineOption(QStringLiteral("version"), QString()),
            QCommandLineOption(QStringLiteral("folder"), QString(), QStringLiteral("DIR"))};
}

struct Command {
    QString name;
    QList<QCommandLineOption> options;  // its own, beside the global ones
    int minimumArguments;
    int maximumArguments;
    int (*run)(const Invocation&, QTextStream& out);
};

int init(const Invocation& invocation, QTextStream& out)
{
    const QString path = invocation.arguments.first();
    const bool force = invocation.options.isSet(QStringLiteral("force"));
    if (QFileInfo::exists(path) && !force)
        throw existingFileError(path);
    QList<SeedMapping> seed;
    if (invocation.options.isSet(QStringLiteral("seed")))
        seed = readSeedFile(invocation.options.value(QStringLiteral("seed")));

    MappingTable::create(path, seed, force ? MappingTable::Existing::Replace : MappingTable::Existing::Keep);
    out << DbToolText::tr("Created %1 with %2 mapping(s).").arg(native(path)).arg(seed.size()) << '\n';
    return ExitStatus::Ok;
}

int import(const Invocation& invocation, QTextStream& out)
{
    const QString source = invocation.arguments.at(0);
    const QString destination = invocation.arguments.at(1);
    const store::LegacyImportReport report = store::importLegacyDatabaseFile(source, destination);
    QStringList tables;
    for (const store::LegacyTableCount& table : report.tables)
        tables.append(DbToolText::tr("%1 (%2 rows)").arg(table.table).arg(table.rows));
    out << DbToolText::tr("Imported the %1 database %2 into %3: %4.")
               .arg(store::formatName(report.format), native(source), native(destination),
                    tables.isEmpty() ? DbToolText::tr("no tables") : tables.join(QStringLiteral(", ")))
        << '\n';
    if (!report.hadMappingTable)
        out << DbToolText::tr("Note: %1 has no Config table, so it holds no key mappings; %2 got an empty Config.")
                   .arg(native(source), native(destination))
            << '\n';
    return ExitStatus::Ok;
}

int check(const Invocation& invocation, QTextStream& out)
{
    // "check APPFOLDER" was the way to name a folder before --folder.
    const QString folder = invocation.arguments.isEmpty() ? tableFolder(invocation) : invocation.arguments.first();
    const QString database = platform::TableFolder(folder).databaseNativePath();
    const QList<Mapping> mappings = readMappings(database);
    const QStringList problems = checkMappings(mappings, folder);
    for (const QString& problem : problems)
        out << problem << '\n';
    if (problems.isEmpty()) {
        out << DbToolText::tr("%1: %2 mapping(s), no problems found.").arg(native(database)).arg(mappings.size())
            << '\n';
        return ExitStatus::Ok;
    }
    out << DbToolText::tr("%1: %2 mapping(s), %3 problem(s) found.")
               .arg(native(database))
               .arg(mappings.size())
               .arg(problems.size())
        << '\n';
    return ExitStatus::ProblemsFound;
}

QList<SeedMapping> seedMappings(const QString& database)
{
    QList<SeedMapping> seed;
    for (const Mapping& mapping : readMappings(database)) {
        if (!mapping.key.isValid() || mapping.fileName.toString().isEmpty())
            throw Error(ErrorNumber::InvalidArgument,
                        DbToolText::tr("Row %1 of %2 has a NULL key or no file name, which a seed file cannot "
                                       "hold; nothing was written.")
                            .arg(mapping.row)
                            .arg(native(database)));
        seed.append({mapping.key.toString(), mapping.fileName.toString()});
    }
    return seed;
}

int exportSeed(const Invocation& invocation, QTextStream& out)
{
    const QString target = invocation.arguments.value(1);
    const bool force = invocation.options.isSet(QStringLiteral("force"));
    if (!target.isEmpty() && QFileInfo::exists(target) && !force)
        throw existingFileError(target);
    const QByteArray text = seedFileText(seedMappings(invocation.arguments.first()));
    if (target.isEmpty())
        out << platform::fromUtf8Exact(text);
    else
        writeOutputFile(target, text, force);
    return ExitStatus::Ok;
}

const QList<Command>& commands()
{
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption seed(QStringLiteral("seed"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption voice(QStringLiteral("voice"), QString(), QStringLiteral("VOICE"));
    const QCommandLineOption overwrite(QStringLiteral("overwrite"));
    const QCommandLineOption replaceTable(QStringLiteral("replace-table"));
    constexpr int any = std::numeric_limits<int>::max();
    static const QList<Command> all{
        {QStringLiteral("init"), {seed, force}, 1, 1, init},
        {QStringLiteral("import"), {}, 2, 2, import},
        {QStringLiteral("export"), {force}, 1, 2, exportSeed},
        {QStringLiteral("check"), {}, 0, 1, check},
        {QStringLiteral("speak"), {voice, force}, 0, any, speak},
        {QStringLiteral("add"), {overwrite}, 1, any, add},
        {QStringLiteral("pack"), {force}, 1, 1, pack},
        {QStringLiteral("unpack"), {replaceTable}, 1, 1, unpack},
    };
    return all;
}

const Command& findCommand(const QString& name)
{
    for (const Command& command : commands()) {
        if (command.name == name)
            return command;
    }
    throw UsageError(DbToolText::tr("unknown command '%1'").arg(name));
}

void requireCount(const Command& command, const QStringList& arguments)
{
    if (arguments.size() < command.minimumArguments)
        throw UsageError(DbToolText::tr("'%1' needs more arguments").arg(command.name));
    if (arguments.size() > command.maximumArguments)
        throw UsageError(DbToolText::tr("'%1' got an unexpected argument '%2'")
                             .arg(command.name, arguments.at(command.maximumArguments)));
}

// An unknown option is named in the message's language; any other complaint is Qt's own, at the end.
UsageError parseError(const QCommandLineParser& parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return UsageError(DbToolText::tr("the command line cannot be read: %1").arg(parser.errorText()));
    const QString dashes = unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
    return UsageError(DbToolText::tr("unknown option '%1'").arg(dashes + unknown.first()));
}

// Which table the commands would work on, so that nobody has to guess.
QString tableNote(const QCommandLineParser& parser)
{
    try {
        return DbToolText::tr("\nThe table here: %1\n").arg(native(tableFolder(parser)));
    } catch (const Error& error) {
        return DbToolText::tr("\nThe table here: none (%1)\n").arg(errorText(error));
    }
}

// Help and version are answered wherever they stand before "--", even beside a wrong option.
bool answeredHelpOrVersion(const QCommandLineParser& parser, QTextStream& out)
{
    if (parser.isSet(QStringLiteral("help")))
        out << usage() << tableNote(parser);
    else if (parser.isSet(QStringLiteral("version")))
        out << QStringLiteral("keysound-db %1\n").arg(QStringLiteral(KEYSOUND_VERSION));
    else
        return false;
    return true;
}

// parse(), never process(): process() exits with status 1, which here means "problems found".
bool parse(QCommandLineParser& parser, const QStringList& arguments)
{
    return parser.parse(QStringList{QStringLiteral("keysound-db")} + arguments);
}

int dispatch(const QStringList& arguments, QTextStream& out)
{
    // The global options before the command's name; from the name on, every word is the command's.
    QCommandLineParser leading;
    leading.addOptions(globalOptions());
    leading.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const bool leadingParsed = parse(leading, arguments);
    if (answeredHelpOrVersion(leading, out))
        return ExitStatus::Ok;
    if (!leadingParsed)
        throw parseError(leading);
    const QStringList words = leading.positionalArguments();
    if (words.isEmpty())
        throw UsageError(DbToolText::tr("no command given"));
    if (words.first() == QLatin1String("help")) {
        out << usage();
        return ExitStatus::Ok;
    }
    const Command& command = findCommand(words.first());

    QCommandLineParser parser;
    parser.addOptions(globalOptions() + command.options);
    const QStringList globalWords = arguments.mid(0, arguments.size() - words.size());
    const bool parsed = parse(parser, globalWords + words.mid(1));
    if (answeredHelpOrVersion(parser, out))
        return ExitStatus::Ok;
    if (!parsed)
        throw parseError(parser);
    requireCount(command, parser.positionalArguments());
    return command.run({parser, parser.positionalArguments()}, out);
}

void report(QTextStream& err, const Error& error) { err << QStringLiteral("keysound-db: %1\n").arg(errorText(error)); }

}  // namespace

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

// The program's own rule, except that keysound-db never makes the user's folder.
QString tableFolder(const QCommandLineParser& options)
{
    std::optional<QString> named;
    if (options.isSet(QStringLiteral("folder")))
        named = options.value(QStringLiteral("folder"));
    platform::AppFolderInputs inputs = platform::AppFolderInputs::ofThisRun(named);
    inputs.mayMakeUserFolder = false;
    return platform::chooseAppFolder(inputs);
}

QString tableFolder(const Invocation& invocation) { return tableFolder(invocation.options); }

int runDbTool(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    try {
        return dispatch(arguments, out);
    } catch (const UsageError& error) {
        err << QStringLiteral("keysound-db: %1\n").arg(error.message)
            << DbToolText::tr("Try 'keysound-db --help' for more information.") << '\n';
        return ExitStatus::UsageError;
    } catch (const Error& error) {
        report(err, error);
        return ExitStatus::Failure;
    }
}

int finishStandardOutput(const QString& output, int status, QTextStream& err)
{
    try {
        writeStandardOutput(output.toUtf8());
    } catch (const Error& error) {
        report(err, error);
        return std::max(status, ExitStatus::Failure);
    }
    return status;
}

}  // namespace keysound::tools
