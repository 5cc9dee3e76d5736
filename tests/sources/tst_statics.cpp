// Every mutable static in the program's and the tools' sources says, on its line or the line
// above, which process-wide resource demands it: state an owner could hold belongs to the owner.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

// A static or thread_local variable that is not const, a Q_GLOBAL_STATIC, or a variable at
// namespace scope (clang-format leaves those unindented). A "(" before the "=", "{" or ";" makes a
// function; so a variable must not be initialised with parentheses.
bool declaresMutableStatic(const QString& line)
{
    static const QRegularExpression staticVariable(
        R"((?<!const )(?<!constexpr )\b(static|thread_local)\s+(?!(inline\s+)?(const|constexpr)\b)[^(=;{]*[=;{])"
        R"(|\bQ_GLOBAL_STATIC\b)");
    static const QRegularExpression namespaceVariable(
        R"(^(?!(const|constexpr|inline\s+(const|constexpr)|using|typedef|class|struct|enum|union|namespace|template)"
        R"(|friend|extern|return)\b)[A-Za-z_][\w:<>,*& ]*[\s*&]\w+(\[\w*\])?\s*(=[^=]|\{|;))");
    const QString code = line.section(QStringLiteral("//"), 0, 0);
    return staticVariable.match(code).hasMatch() || namespaceVariable.match(code).hasMatch();
}

bool isComment(const QString& line) { return line.trimmed().startsWith(QStringLiteral("//")); }

}  // namespace

class StaticsTest : public QObject {
    Q_OBJECT
private slots:
    void detector_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("flagged");
        QTest::newRow("function-local static") << "    static QString folder;" << true;
        QTest::newRow("static with a value") << "    static bool opened = false;" << true;
        QTest::newRow("namespace-scope variable") << "bool opened = false;" << true;
        QTest::newRow("thread_local") << "thread_local int depth{0};" << true;
        QTest::newRow("static const table") << "    static const QRegularExpression re(\"x\");" << false;
        QTest::newRow("static member function") << "    static void mix(void* device, int length);" << false;
        QTest::newRow("namespace-scope function") << "QString fromUtf8Exact(QByteArrayView utf8);" << false;
        QTest::newRow("inline constexpr") << "inline constexpr int Escape = 27;" << false;
        QTest::newRow("local variable") << "    int count = 0;" << false;
    }
    void detector()
    {
        QFETCH(QString, line);
        QFETCH(bool, flagged);
        QCOMPARE(declaresMutableStatic(line), flagged);
    }

    void everyMutableStaticSaysWhy_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("src") << "src";
        QTest::newRow("tools") << "tools";
    }
    void everyMutableStaticSaysWhy()
    {
        QFETCH(QString, folder);
        int found = 0;
        QStringList unexplained;
        QDirIterator it(QStringLiteral(KEYSOUND_SOURCE_DIR "/") + folder, {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (!declaresMutableStatic(lines[i]))
                    continue;
                ++found;
                if (!lines[i].contains(QStringLiteral("//")) && !(i > 0 && isComment(lines[i - 1])))
                    unexplained << QStringLiteral("%1:%2: %3").arg(file.fileName()).arg(i + 1).arg(lines[i]);
            }
        }
        QVERIFY2(found > 0, "no static found at all: is the folder right?");
        QVERIFY2(unexplained.isEmpty(), qPrintable(unexplained.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(StaticsTest)
#include "tst_statics.moc"
