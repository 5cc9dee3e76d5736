// keysound-db speak: key texts spoken into MP3 files, for a table that has keys but no sounds yet.
#include "DbCommand.h"
#include "DbToolText.h"
#include "MappingTable.h"
#include "PackFormat.h"
#include "SoundPlacement.h"
#include "platform/TableFolder.h"
#include "progress/ProgressReporter.h"
#include "speech/KeySpeech.h"

#include "DbTool.h"
#include "audio/SoundDecoder.h"
#include "platform/AppFolder.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>

namespace keysound::tools {

namespace {

constexpr int GeneratedNameLength = 40;

struct Utterance {
    std::optional<int> row;  // none: a key the table lacks, which gets a row of its own
    QString key;
    QString soundPath;       // below MP3/, '/' separators
    bool namedHere = false;  // the row had no file name: it gets this one once its sound is there
};

// A file name for a key: its letters, digits and CJK characters; anything a file system or the
// program's path texts would take for something else becomes '_'.
QString fileNameFor(const QString& key)
{
    QString name;
    for (const QChar c : key.left(GeneratedNameLength))
        name += c.isLetterOrNumber() || c == u'-' ? c : QChar(u'_');
    while (name.startsWith(u'_'))  // neither hidden nor blank
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("key") : name;
}

// Picks the key sounds a run makes: the keys named on the command line (a key the table lacks gets
// a mapping), or else every row whose sound is missing. What cannot be spoken is said in `problems`.
class SpeechPlan {
public:
    SpeechPlan(const MappingTable& table, const QString& soundFolder, const QStringList& keys)
        : table_(table)
        , soundFolder_(soundFolder)
    {
        for (int row = 0; row < table.rowCount(); ++row) {
            if (const std::optional<QString> path = pack::soundPathOf(table.fileName(row).toString()))
                taken_.insert(path->toCaseFolded());
        }
        if (keys.isEmpty())
            planMissingSounds();
        for (const QString& key : keys)
            planKey(key);
    }

    QList<Utterance> utterances;
    QStringList problems;

private:
    void planMissingSounds()
    {
        for (int row = 0; row < table_.rowCount(); ++row) {
            const std::optional<QString> path = pack::soundPathOf(table_.fileName(row).toString());
            if (!path || !QFile::exists(QDir(soundFolder_).filePath(*path)))
                plan(row);
        }
    }

    void planKey(const QString& key)
    {
        const std::optional<int> row = table_.rowOfKey(key);
        if (row)
            plan(*row);
        else if (key.isEmpty())
            problems.append(DbToolText::tr("an empty key has nothing to speak"));
        else
            utterances.append({std::nullopt, key, freeName(key), true});
    }

    void plan(int row)
    {
        const QVariant key = table_.key(row);
        const QString fileName = table_.fileName(row).toString();
        if (key.toString().isEmpty()) {
            problems.append(DbToolText::tr("row %1: no key to speak").arg(row + 1));
            return;
        }
        if (fileName.isEmpty()) {
            utterances.append({row, key.toString(), freeName(key.toString()), true});
            return;
        }
        const std::optional<QString> path = pack::soundPathOf(fileName);
        if (!path) {
            problems.append(DbToolText::tr("row %1 (key \"%2\"): the file name \"%3\" lies outside MP3/; skipped")
                                .arg(row + 1)
                                .arg(key.toString(), fileName));
            return;
        }
        utterances.append({row, key.toString(), *path, false});
    }

    QString freeName(const QString& key)
    {
        const QString base = fileNameFor(key) + QStringLiteral(".mp3");
        QString name = base;
        for (int number = 2; taken_.contains(name.toCaseFolded()) || QFile::exists(QDir(soundFolder_).filePath(name));
             ++number)
            name = pack::numberedPath(base, number);
        taken_.insert(name.toCaseFolded());
        return name;
    }

    const MappingTable& table_;
    QString soundFolder_;
    QSet<QString> taken_;  // folded names rows use or this run gave out
};

}  // namespace

int speak(const Invocation& invocation, QTextStream& out)
{
    const QString folder = tableFolder(invocation);
    const QString soundFolder = platform::TableFolder(folder).soundFolderNativePath();
    MappingTable table(platform::TableFolder(folder), MappingTable::Access::Write);
    SpeechPlan plan(table, soundFolder, invocation.arguments);
    speech::SpeakOptions options;
    options.voice = invocation.options.value(QStringLiteral("voice"));
    if (invocation.options.isSet(QStringLiteral("force")))
        options.existing = speech::ExistingFile::Replace;

    std::unique_ptr<ProgressReporter> progress;
    if (plan.utterances.size() > QuietRunItems)
        progress = ProgressReporter::onStandardError(int(plan.utterances.size()));
    audio::SoundDecoder decoder;
    QStringList written;  // new files whose rows learn their names below
    int spoken = 0;
    for (const Utterance& utterance : plan.utterances) {
        if (progress)
            progress->begin(utterance.key);
        const QString path = QDir(soundFolder).filePath(utterance.soundPath);
        try {
            if (speech::speakKeyToFile(utterance.key, path, options) == speech::WriteOutcome::KeptExisting) {
                plan.problems.append(DbToolText::tr("key \"%1\": MP3/%2 exists and is kept (--force replaces it)")
                                         .arg(utterance.key, utterance.soundPath));
                continue;
            }
        } catch (const Error& error) {
            plan.problems.append(DbToolText::tr("key \"%1\": %2").arg(utterance.key, error.description()));
            continue;
        }
        if (const std::optional<QString> problem = decoder.problemWith(path)) {
            QFile::remove(path);
            plan.problems.append(DbToolText::tr("key \"%1\": the spoken sound %2").arg(utterance.key, *problem));
            continue;
        }
        ++spoken;
        if (!utterance.namedHere)
            continue;
        if (utterance.row)
            table.setFileName(*utterance.row, utterance.soundPath);
        else
            table.append(utterance.key, utterance.soundPath);
        written.append(path);
    }
    if (progress)
        progress->finish();
    try {
        table.commit();
    } catch (const Error&) {
        for (const QString& path : written)  // no row names them: they would only be in the way
            QFile::remove(path);
        throw;
    }
    for (const QString& problem : plan.problems)
        out << problem << '\n';
    out << DbToolText::tr("%1: %n key(s) spoken into MP3/.", nullptr, spoken).arg(native(folder)) << '\n';
    return plan.problems.isEmpty() ? ExitStatus::Ok : ExitStatus::ProblemsFound;
}

}  // namespace keysound::tools
