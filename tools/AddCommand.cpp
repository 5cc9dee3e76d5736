// keysound-db add: sound files copied into MP3/ and mapped from their names, in one go.
#include "DbCommand.h"
#include "DbTool.h"
#include "DbToolText.h"
#include "MappingTable.h"

#include "audio/SoundDecoder.h"
#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "platform/FileServices.h"
#include "platform/TableFolder.h"
#include "store/Statements.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace keysound::tools {

namespace {

struct Addition {
    QString source;          // native
    QString key;             // the file's name without its last suffix: 你好.mp3 maps 你好
    QString fileName;        // its name in MP3/
    std::optional<int> row;  // the mapping it replaces
    bool copy = true;        // false when MP3/ holds the same bytes under the name already
};

bool sameBytes(const QString& a, const QString& b)
{
    QFile first(a);
    QFile second(b);
    if (first.size() != second.size() || !first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    while (!first.atEnd()) {
        if (first.read(1 << 16) != second.read(1 << 16))
            return false;
    }
    return true;
}

// Decides what each file becomes, or why it is left out.
class AdditionPlan {
public:
    AdditionPlan(const MappingTable& table, const QString& folder, bool overwrite)
        : table_(table)
        , folder_(folder)
        , overwrite_(overwrite)
    {}

    void consider(const QString& source)
    {
        const QFileInfo info(source);
        Addition addition{source, info.completeBaseName(), info.fileName(), table_.rowOfKey(info.completeBaseName()),
                          true};
        if (std::optional<QString> why = refusal(addition))
            problems.append(QStringLiteral("%1: %2").arg(native(source), *why));
        else
            additions.append(addition);
    }

    QList<Addition> additions;
    QStringList problems;

private:
    std::optional<QString> refusal(Addition& addition)
    {
        // The program's path texts take a backslash for a folder separator.
        if (addition.source.contains(u'\\'))
            return DbToolText::tr("its path holds a backslash, which keysound takes for a folder separator");
        if (std::optional<QString> problem = decoder_.problemWith(addition.source))
            return *problem;
        if (addition.key.isEmpty())
            return DbToolText::tr("its name gives no key");
        for (const Addition& earlier : additions) {
            if (store::keysMatch(earlier.key, addition.key))
                return DbToolText::tr("its key \"%1\" comes from %2 already").arg(addition.key, native(earlier.source));
        }
        if (addition.row && !overwrite_)
            return DbToolText::tr("the key \"%1\" is mapped already (--overwrite replaces its mapping)")
                .arg(addition.key);
        const QString destination = platform::TableFolder(folder_).soundNativePath(addition.fileName);
        if (QFileInfo::exists(destination)) {
            addition.copy = !sameBytes(addition.source, destination);
            if (addition.copy && !overwrite_)
                return DbToolText::tr("MP3/%1 holds another sound (--overwrite replaces it)").arg(addition.fileName);
        }
        return std::nullopt;
    }

    const MappingTable& table_;
    QString folder_;
    bool overwrite_;
    audio::SoundDecoder decoder_;
};

}  // namespace

int add(const Invocation& invocation, QTextStream& out)
{
    const QString folder = tableFolder(invocation);
    MappingTable table(platform::TableFolder(folder), MappingTable::Access::Write);
    AdditionPlan plan(table, folder, invocation.options.isSet(QStringLiteral("overwrite")));
    for (const QString& file : invocation.arguments)
        plan.consider(file);

    // Each sound whole or not at all, then every mapping in one transaction; a failure takes back
    // the sounds that were not there before.
    QStringList created;
    try {
        for (const Addition& addition : plan.additions) {
            const QString destination = platform::TableFolder(folder).soundNativePath(addition.fileName);
            const bool existed = QFileInfo::exists(destination);
            if (addition.copy)
                platform::copyFileReplacing(addition.source, destination);
            if (addition.copy && !existed)
                created.append(destination);
            if (addition.row)
                table.setFileName(*addition.row, addition.fileName);
            else
                table.append(addition.key, addition.fileName);
        }
        table.commit();
    } catch (const Error&) {
        for (const QString& file : created)
            QFile::remove(file);
        throw;
    }
    for (const QString& problem : plan.problems)
        out << problem << '\n';
    out << DbToolText::tr("%1: %n sound(s) added.", nullptr, int(plan.additions.size())).arg(native(folder)) << '\n';
    return plan.problems.isEmpty() ? ExitStatus::Ok : ExitStatus::ProblemsFound;
}

}  // namespace keysound::tools
