#include "StoreTestSupport.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QTest>
#include <cstdio>
#include <map>

namespace keysound::test {

store::ConnectionPtr openStore(const QString& folder, int mode)
{
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    connection->Mode = mode;
    connection->Open(store::connectionStringFor(folder), QString(), QString(), store::adConnectUnspecified);
    return connection;
}

QStringList lookUp(const QString& folder, const QString& key)
{
    store::Recordset recordset;
    recordset.Open(store::keyLookupStatement(key), openStore(folder));
    QStringList files;
    for (int row = 0; row < recordset.RecordCount(); ++row)
        files.append(recordset.valueAt(row, recordset.fieldIndex(QStringLiteral("文件名"))).toString());
    return files;
}

namespace {
// As a sync tool puts a newer copy in place: a new file, one row more, renamed over the old one.
void replaceByRename(const TestAppFolder& folder)
{
    const QString copy = folder.databasePath() + QStringLiteral(".new");
    QVERIFY(QFile::copy(folder.databasePath(), copy));
    RawDatabase(copy).exec(QStringLiteral("INSERT INTO Config VALUES ('replaced', 'r.mp3')"));
    QCOMPARE(std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(folder.databasePath()).constData()), 0);
}

void runRecordsetStep(store::Recordset& recordset, const TestAppFolder& folder, const QString& step,
                      const QList<QVariant>& bookmarks)
{
    static const QRegularExpression nameAndRest(QStringLiteral("^([A-Za-z]+:?)(.*)$"));
    const QRegularExpressionMatch match = nameAndRest.match(step);
    const QString key = QStringLiteral("键位"), text = match.captured(2);
    const std::map<QString, std::function<void()>> steps{
        {"First", [&] { recordset.MoveFirst(); }},
        {"Last", [&] { recordset.MoveLast(); }},
        {"Next", [&] { recordset.MoveNext(); }},
        {"Previous", [&] { recordset.MovePrevious(); }},
        {"Go", [&] { recordset.setCurrentRow(text.toInt() - 1); }},
        {"Bookmark", [&] { recordset.setBookmark(bookmarks.value(text.toInt() - 1)); }},
        {"Bookmark:", [&] { recordset.setBookmark(text); }},
        {"Add", [&] { recordset.AddNew(); }},
        {"Key:", [&] { recordset.setValue(key, recordset.Value(key).toString() + text); }},
        {"Update", [&] { recordset.UpdateBatch(store::adAffectAll); }},
        {"Cancel", [&] { recordset.CancelUpdate(); }},
        {"Delete", [&] { recordset.Delete(store::adAffectCurrent); }},
        {"Refresh", [&] { recordset.Requery(); }},
        {"Reload", [&] { recordset.Open(store::editorStatement(), openStore(folder.path())); }},
        {"Outside", [&] { folder.addMapping(QStringLiteral("outside"), QStringLiteral("o.mp3")); }},
        {"Replace", [&] { replaceByRename(folder); }},
        {"Rename", [&] { folder.exec(QStringLiteral("ALTER TABLE Config RENAME TO Elsewhere")); }}};
    const auto found = steps.find(match.captured(1));
    QVERIFY2(found != steps.end(), qPrintable("unknown step " + step));
    found->second();
}
}  // namespace

int runRecordsetScript(store::Recordset& recordset, const TestAppFolder& folder, const QString& script,
                       const QList<QVariant>& bookmarks)
{
    for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
        if (const int failure = errorNumberOf([&] { runRecordsetStep(recordset, folder, step, bookmarks); }))
            return failure;
    }
    return 0;
}

QList<QVariantList> mappingsIn(const QString& databasePath)
{
    return RawDatabase(databasePath).rows(QStringLiteral("SELECT 键位, 文件名 FROM Config ORDER BY rowid"));
}

QStringList mappingTexts(const QString& databasePath)
{
    QStringList texts;
    for (const QVariantList& row : mappingsIn(databasePath))
        texts.append(row.at(0).toString() + u'=' + row.at(1).toString());
    return texts;
}

void fill(const TestAppFolder& folder, const QList<QVariantList>& mappings, const Files& sounds)
{
    for (const QVariantList& mapping : mappings)
        folder.addMapping(mapping.at(0), mapping.at(1));
    for (auto sound = sounds.cbegin(); sound != sounds.cend(); ++sound)
        folder.writeFile(QStringLiteral("MP3/") + sound.key(), sound.value());
}

Files filesBelow(const QString& folder)
{
    Files files;
    const auto everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QDirIterator it(folder, everything, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString path = QDir(folder).relativeFilePath(entry.filePath());
        if (entry.isDir())
            files.insert(path + u'/', QByteArray());
        else
            files.insert(path, fileBytes(entry.filePath()));
    }
    return files;
}

QString copySample(const QString& sampleName, const QString& folder, const QString& asName)
{
    const QString target = QDir(folder).filePath(asName);
    QFile::copy(QDir(jetFixturesDir()).filePath(sampleName), target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

QList<QVariantList> expectedConfigRows()
{
    // Lines "row,"键位","文件名","null_columns"": no field holds a comma or a doubled quote.
    const QString csv = QString::fromUtf8(fileBytes(QDir(jetFixturesDir()).filePath(QStringLiteral("legacy-db1.csv"))));
    QList<QVariantList> rows;
    for (const QString& line : csv.split(u'\n', Qt::SkipEmptyParts).mid(1)) {
        const QStringList fields = line.trimmed().remove(u'"').split(u',');
        const auto field = [&](int i, const QString& name) {
            return fields[3].contains(name) ? QVariant() : QVariant(fields[i]);
        };
        rows.append({field(1, QStringLiteral("键位")), field(2, QStringLiteral("文件名"))});
    }
    return rows;
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

}  // namespace keysound::test
