#include "DbTool.h"

#include "MappingCheck.h"
#include "SeedFile.h"
#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "store/ConnectionString.h"
#include "store/Schema.h"
#include "store/SchemaWriter.h"
#include "store/legacy/LegacyImport.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace keysound::tools {

namespace {

const QString kUsage = QStringLiteral(
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
    "        \\t tab, \\n line feed, \\r carriage return, \\\\ backslash and \\# a key's leading '#'.\n"
    "  check [APPFOLDER]\n"
    "        List mappings whose sound file is missing or not playable, keys that occur more\n"
    "        than once ignoring case, and empty keys. APPFOLDER holds db1.mdb and MP3/; it\n"
    "        defaults to the folder of this program.\n"
    "\n"
    "Options:\n"
    "  --             every word after it is an argument, even one starting with '-'\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Exit status: 0 success, 1 check found problems, 2 usage error, 3 failure.\n");

class UsageError {
public:
    explicit UsageError(QString message)
        : message(std::move(message))
    {}
    QString message;
};

// The arguments of one command: its options (with their values) and its positional words.
struct CommandLine {
    QStringList positional;
    QString seed;
    bool force = false;
};

CommandLine parse(const QStringList& arguments, const QStringList& allowedOptions)
{
    CommandLine line;
    bool onlyPositional = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments.at(i);
        if (onlyPositional || !word.startsWith(QLatin1Char('-')) || word == QLatin1String("-")) {
            line.positional.append(word);
        } else if (word == QLatin1String("--")) {
            onlyPositional = true;
        } else if (!allowedOptions.contains(word.section(QLatin1Char('='), 0, 0))) {
            throw UsageError(QStringLiteral("unknown option '%1'").arg(word));
        } else if (word == QLatin1String("--force")) {
            line.force = true;
        } else if (word.startsWith(QLatin1String("--seed="))) {
            line.seed = word.mid(7);
        } else if (i + 1 < arguments.size()) {
            line.seed = arguments.at(++i);
        } else {
            throw UsageError(QStringLiteral("option '%1' needs a file name").arg(word));
        }
    }
    return line;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

void requireCount(const CommandLine& line, int minimum, int maximum, const QString& command)
{
    if (line.positional.size() < minimum)
        throw UsageError(QStringLiteral("'%1' needs more arguments").arg(command));
    if (line.positional.size() > maximum)
        throw UsageError(QStringLiteral("'%1' got an unexpected argument '%2'").arg(command, line.positional.at(maximum)));
}

int init(const QStringList& arguments, QTextStream& out)
{
    const CommandLine line = parse(arguments, {QStringLiteral("--seed"), QStringLiteral("--force")});
    requireCount(line, 1, 1, QStringLiteral("init"));
    const QString path = line.positional.first();
    if (QFileInfo::exists(path) && !line.force)
        throw Error(ErrorNumber::FileAccess, QStringLiteral("\"%1\" already exists; use --force to replace it.").arg(native(path)));
    const QList<SeedMapping> seed = line.seed.isEmpty() ? QList<SeedMapping>() : readSeedFile(line.seed);

    store::SchemaWriter writer(path);
    writer.exec(QStringLiteral("BEGIN"));
    writer.exec(store::schema::mappingSchemaSql());
    {
        store::SchemaWriter::Insert insert(writer, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (?1, ?2)")
                                                       .arg(store::schema::mappingTable, store::schema::keyColumn, store::schema::fileColumn));
        for (const SeedMapping& mapping : seed)
            insert.run({mapping.key, mapping.fileName});
    }  // the statement must be finished before the file can be closed
    writer.exec(QStringLiteral("COMMIT"));
    writer.commit(line.force ? store::SchemaWriter::Placement::ReplaceExisting : store::SchemaWriter::Placement::KeepExisting);
    out << QStringLiteral("Created %1 with %2 mapping(s).\n").arg(native(path)).arg(seed.size());
    return ExitStatus::Ok;
}

int import(const QStringList& arguments, QTextStream& out)
{
    const CommandLine line = parse(arguments, {});
    requireCount(line, 2, 2, QStringLiteral("import"));
    const store::LegacyImportReport report = store::importLegacyDatabaseFile(line.positional.at(0), line.positional.at(1));
    QStringList tables;
    for (const store::LegacyTableCount& table : report.tables)
        tables.append(QStringLiteral("%1 (%2 rows)").arg(table.table).arg(table.rows));
    out << QStringLiteral("Imported the %1 database %2 into %3: %4.\n")
               .arg(store::formatName(report.format), native(line.positional.at(0)), native(line.positional.at(1)),
                    tables.isEmpty() ? QStringLiteral("no tables") : tables.join(QStringLiteral(", ")));
    if (!report.hadMappingTable)
        out << QStringLiteral("Note: %1 has no Config table, so it holds no key mappings; %2 got an empty Config.\n")
                   .arg(native(line.positional.at(0)), native(line.positional.at(1)));
    return ExitStatus::Ok;
}

int check(const QStringList& arguments, QTextStream& out)
{
    const CommandLine line = parse(arguments, {});
    requireCount(line, 0, 1, QStringLiteral("check"));
    const QString folder = line.positional.isEmpty() ? platform::appFolder() : line.positional.first();
    const QString database = QDir(folder).filePath(store::DatabaseFileName);
    const QList<Mapping> mappings = readMappings(database);
    const QStringList problems = checkMappings(mappings, folder);
    for (const QString& problem : problems)
        out << problem << '\n';
    if (problems.isEmpty()) {
        out << QStringLiteral("%1: %2 mapping(s), no problems found.\n").arg(native(database)).arg(mappings.size());
        return ExitStatus::Ok;
    }
    out << QStringLiteral("%1: %2 mapping(s), %3 problem(s) found.\n").arg(native(database)).arg(mappings.size()).arg(problems.size());
    return ExitStatus::ProblemsFound;
}

QList<SeedMapping> seedMappings(const QString& database)
{
    QList<SeedMapping> seed;
    for (const Mapping& mapping : readMappings(database)) {
        if (!mapping.key.isValid() || mapping.fileName.toString().isEmpty())
            throw Error(ErrorNumber::InvalidArgument,
                        QStringLiteral("Row %1 of %2 has a NULL key or no file name, which a seed file cannot hold; "
                                       "nothing was written.")
                            .arg(mapping.row)
                            .arg(native(database)));
        seed.append({mapping.key.toString(), mapping.fileName.toString()});
    }
    return seed;
}

void writeFileWhole(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw Error(ErrorNumber::FileAccess, QStringLiteral("Cannot write \"%1\": %2.").arg(native(path), file.errorString()));
}

int exportSeed(const QStringList& arguments, QTextStream& out)
{
    const CommandLine line = parse(arguments, {QStringLiteral("--force")});
    requireCount(line, 1, 2, QStringLiteral("export"));
    const QString target = line.positional.value(1);
    if (!target.isEmpty() && QFileInfo::exists(target) && !line.force)
        throw Error(ErrorNumber::FileAccess, QStringLiteral("\"%1\" already exists; use --force to replace it.").arg(native(target)));
    const QByteArray text = seedFileText(seedMappings(line.positional.first()));
    if (target.isEmpty()) {
        out << QString::fromUtf8(text);
        return ExitStatus::Ok;
    }
    writeFileWhole(target, text);
    return ExitStatus::Ok;
}

int dispatch(const QStringList& arguments, QTextStream& out)
{
    if (arguments.isEmpty())
        throw UsageError(QStringLiteral("no command given"));
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("-h") || command == QLatin1String("--help") || command == QLatin1String("help")) {
        out << kUsage;
        return ExitStatus::Ok;
    }
    if (command == QLatin1String("--version")) {
        out << QStringLiteral("keysound-db %1\n").arg(QStringLiteral(KEYSOUND_VERSION));
        return ExitStatus::Ok;
    }
    const QStringList options = rest.mid(0, rest.indexOf(QStringLiteral("--")));  // "--" ends the options
    if (options.contains(QStringLiteral("--help")) || options.contains(QStringLiteral("-h"))) {
        out << kUsage;
        return ExitStatus::Ok;
    }
    if (command == QLatin1String("init"))
        return init(rest, out);
    if (command == QLatin1String("import"))
        return import(rest, out);
    if (command == QLatin1String("check"))
        return check(rest, out);
    if (command == QLatin1String("export"))
        return exportSeed(rest, out);
    throw UsageError(QStringLiteral("unknown command '%1'").arg(command));
}

}  // namespace

int runDbTool(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    try {
        return dispatch(arguments, out);
    } catch (const UsageError& error) {
        err << QStringLiteral("keysound-db: %1\nTry 'keysound-db --help' for more information.\n").arg(error.message);
        return ExitStatus::UsageError;
    } catch (const Error& error) {
        err << QStringLiteral("keysound-db: %1\n").arg(errorText(error));
        return ExitStatus::Failure;
    }
}

}  // namespace keysound::tools
