// The source tree's rules: no circle of includes between units, one place that starts a child
// process, a reason beside every mutable static, and one way to translate a message. A unit is a
// header with its source files; "XImpl.h" is X's private half.

#include <QDirIterator>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

const QDir Root(QStringLiteral(KEYSOUND_SOURCE_DIR));
const QStringList Rooms = {QStringLiteral("src"), QStringLiteral("tools")};

struct SourceFile {
    QString path;  // relative to the root
    QString text;
};

QList<SourceFile> sourceFiles()
{
    QList<SourceFile> files;
    for (const QString& room : Rooms) {
        QDirIterator it(Root.filePath(room), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                qFatal("cannot read %s", qPrintable(file.fileName()));
            files.append({Root.relativeFilePath(file.fileName()), QString::fromUtf8(file.readAll())});
        }
    }
    return files;
}

QString unitOf(const QString& path)
{
    QString unit = path.left(path.lastIndexOf(u'.'));
    if (unit.endsWith(QLatin1String("Impl")))
        unit.chop(4);
    return unit;
}

// An include names a file beside the includer or one below src/; anything else is not ours.
QString resolvedInclude(const QString& includer, const QString& name)
{
    for (const QString& candidate : {QFileInfo(includer).path() + u'/' + name, QStringLiteral("src/") + name}) {
        if (QFileInfo::exists(Root.filePath(candidate)))
            return QDir::cleanPath(candidate);
    }
    return {};
}

using Graph = QHash<QString, QSet<QString>>;

Graph unitGraph(const QList<SourceFile>& files)
{
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                            QRegularExpression::MultilineOption);
    Graph graph;
    for (const SourceFile& file : files) {
        for (const QRegularExpressionMatch& match : include.globalMatch(file.text)) {
            const QString target = resolvedInclude(file.path, match.captured(1));
            if (!target.isEmpty() && unitOf(target) != unitOf(file.path))
                graph[unitOf(file.path)].insert(unitOf(target));
        }
    }
    return graph;
}

// The first circle reached from unit, as the units along it; empty when there is none.
QStringList circleFrom(const Graph& graph, const QString& unit, QStringList& trail, QSet<QString>& cleared)
{
    if (trail.contains(unit))
        return trail.mid(trail.indexOf(unit)) << unit;
    if (cleared.contains(unit))
        return {};
    trail.append(unit);
    for (const QString& next : graph.value(unit)) {
        if (const QStringList circle = circleFrom(graph, next, trail, cleared); !circle.isEmpty())
            return circle;
    }
    trail.removeLast();
    cleared.insert(unit);
    return {};
}

// A static or thread_local variable that is not const, a Q_GLOBAL_STATIC, or a variable at
// namespace scope (clang-format leaves those unindented). A "(" before the "=", "{" or ";" makes a
// function; so a variable must not be initialised with parentheses.
bool declaresMutableStatic(const QString& code)
{
    static const QRegularExpression staticVariable(
        QStringLiteral("(?<!const )(?<!constexpr )\\b(static|thread_local)\\s+(?!(inline\\s+)?(const|constexpr)\\b)"
                       "[^(=;{]*[=;{]|\\bQ_GLOBAL_STATIC\\b"));
    static const QRegularExpression namespaceVariable(
        QStringLiteral("^(?!(const|constexpr|inline\\s+(const|constexpr)|using|typedef|class|struct|enum|union|"
                       "namespace|template|friend|extern|return)\\b)[A-Za-z_][\\w:<>,*& ]*[\\s*&]\\w+(\\[\\w*\\])?\\s*"
                       "(=[^=]|\\{|;)"));
    return code.contains(staticVariable) || code.contains(namespaceVariable);
}

// Code without its comments, which name the calls they explain.
QString codeOf(const QString& text)
{
    static const QRegularExpression comment(QStringLiteral("//[^\n]*|/\\*.*?\\*/"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return QString(text).remove(comment);
}

// The text class of each folder: the one <Name>Text declared in the folder's own <Name>Text.h.
QHash<QString, QString> textClasses(const QList<SourceFile>& files, QStringList& faults)
{
    static const QRegularExpression declaration(QStringLiteral("Q_DECLARE_TR_FUNCTIONS\\s*\\(\\s*(\\w*)\\s*\\)"));
    QHash<QString, QString> classes;
    for (const SourceFile& file : files) {
        for (const QRegularExpressionMatch& match : declaration.globalMatch(codeOf(file.text))) {
            const QString folder = QFileInfo(file.path).path();
            const QString name = match.captured(1);
            if (classes.contains(folder) || !name.endsWith(QLatin1String("Text")) ||
                !file.path.endsWith(u'/' + name + QLatin1String(".h")))
                faults.append(file.path + QStringLiteral(": not the one <Name>Text.h of its folder"));
            classes.insert(folder, name);
        }
    }
    return classes;
}

}  // namespace

class SourceRulesTest : public QObject {
    Q_OBJECT

private slots:
    void noUnitsIncludeEachOtherInACircle()
    {
        const Graph graph = unitGraph(sourceFiles());
        QVERIFY2(graph.size() > 50, "the source tree was not found");
        QStringList trail;
        QSet<QString> cleared;
        for (auto unit = graph.cbegin(); unit != graph.cend(); ++unit) {
            const QStringList circle = circleFrom(graph, unit.key(), trail, cleared);
            QVERIFY2(circle.isEmpty(), qPrintable(circle.join(QStringLiteral(" -> "))));
        }
    }

    void oneUnitStartsChildProcesses()
    {
        static const QRegularExpression starting(
            QStringLiteral("\\b(fork|vfork|clone3?|posix_spawnp?|exec[lv]p?e?|popen|system)\\s*\\(|\\bQProcess\\b"));
        QStringList starters;
        for (const SourceFile& file : sourceFiles()) {
            if (codeOf(file.text).contains(starting) && !starters.contains(unitOf(file.path)))
                starters.append(unitOf(file.path));
        }
        QCOMPARE(starters, QStringList{QStringLiteral("src/platform/ChildProcess")});
    }

    // State an owner could hold belongs to the owner: a mutable static says, on its line or the
    // line above, which process-wide resource demands it.
    void everyMutableStaticSaysWhy()
    {
        int found = 0;
        QStringList unexplained;
        for (const SourceFile& file : sourceFiles()) {
            const QStringList lines = file.text.split(u'\n');
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (!declaresMutableStatic(lines[i].section(QStringLiteral("//"), 0, 0)))
                    continue;
                ++found;
                if (!lines[i].contains(QStringLiteral("//")) && !(i > 0 && lines[i - 1].trimmed().startsWith(u'/')))
                    unexplained.append(QStringLiteral("%1:%2: %3").arg(file.path).arg(i + 1).arg(lines[i]));
            }
        }
        QVERIFY2(found > 10, "the statics of the program were not found");
        QVERIFY2(unexplained.isEmpty(), qPrintable(unexplained.join(u'\n')));
    }

    // The one way a message is translated, written down in platform/Language.h: through the tr() of
    // the text class of the file's folder, or marked QT_TRANSLATE_NOOP in its context for later.
    // A context of a call's own or a QObject's own tr() splits the catalogue again, and a text
    // marked in one context and looked up in another shows untranslated.
    void messagesAreTranslatedOneWay()
    {
        static const QRegularExpression call(
            QStringLiteral("(?<![\\w:])((?:\\w+::)*)(tr|translate|trUtf8|qtTrId|QT_TR_NOOP|QT_TR_N_NOOP|"
                           "QT_TRANSLATE_N_NOOP|QT_TRANSLATE_NOOP3|QT_TRID_NOOP|QT_TRID_N_NOOP)\\s*\\("));
        static const QRegularExpression mark(QStringLiteral("QT_TRANSLATE_NOOP\\s*\\(\\s*\"([^\"]*)\""));
        const QList<SourceFile> files = sourceFiles();
        QStringList faults;
        const QHash<QString, QString> classes = textClasses(files, faults);
        QVERIFY2(classes.size() > 5, "the text classes were not found");
        for (const SourceFile& file : files) {
            const QString own = classes.value(QFileInfo(file.path).path(), QStringLiteral("(none)"));
            const QString code = codeOf(file.text);
            for (const QRegularExpressionMatch& match : call.globalMatch(code)) {
                const QString qualifier = QStringLiteral("::") + match.captured(1);
                const bool ownTr =
                    match.captured(2) == QLatin1String("tr") && qualifier.endsWith(QStringLiteral("::%1::").arg(own));
                if (!ownTr)
                    faults.append(QStringLiteral("%1: %2 instead of %3::tr(").arg(file.path, match.captured(0), own));
            }
            for (const QRegularExpressionMatch& match : mark.globalMatch(code)) {
                if (match.captured(1) != own)
                    faults.append(QStringLiteral("%1: marked for %2, not %3").arg(file.path, match.captured(1), own));
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(SourceRulesTest)
#include "tst_sourcerules.moc"
