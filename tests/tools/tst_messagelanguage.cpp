// The language of messages: Chinese unless the locale names another language, which gets English;
// and each message in one language, quoted names and an engine's own closing words aside. The
// failures here show messages put together from pieces: an engine's words, a report's lines, the
// legacy reader's own process; and Qt's own texts. That every message has its translation at all
// is checked on the catalogue (tests/translations).
#include "DbTool.h"
#include "StoreTestSupport.h"
#include "TablePack.h"
#include "platform/Language.h"

#include <QtTest>

using namespace keysound;
using Folder = test::TestAppFolder;
using Cause = void (*)(const Folder& folder, QTextStream& out);
using platform::Language;

namespace {

// The locale variables a process gets (null: not set) and the language they choose.
struct Locale {
    const char* name;
    const char* lcAll = nullptr;
    const char* lcMessages = nullptr;
    const char* lang = nullptr;
    Language language;
};

// What a failure shows in a folder of its own: its error, or the first line a command reported.
QString shownBy(Cause cause)
{
    const Folder folder;
    QString reported;
    QTextStream out(&reported);
    if (const std::optional<Error> error = test::errorOf([&] { cause(folder, out); }))
        return errorText(*error);
    out.flush();
    return reported.section(u'\n', 0, 0);
}

void deleteFirstRow(const Folder& folder, int mode = store::adModeUnknown)
{
    store::Recordset recordset;
    recordset.Open("select * from Config", test::openStore(folder.path(), mode));
    recordset.Delete();
}

}  // namespace

Q_DECLARE_METATYPE(Cause)
Q_DECLARE_METATYPE(Locale)

class MessageLanguageTest : public QObject {
    Q_OBJECT
private slots:
    void oneLanguage_data()
    {
        QTest::addColumn<Cause>("cause");
        QTest::addColumn<int>("shows");              // a number the failure meant shows: its error's, or a report's row
        QTest::addColumn<bool>("endsInEngineText");  // the engine's own words may follow the last colon
        QTest::addColumn<Locale>("locale");
        // clang-format off
        const Locale locales[] = {
            {.name = "C", .lcAll = "C", .language = Language::Chinese},
            {.name = "POSIX", .lcAll = "POSIX", .language = Language::Chinese},
            {.name = "zh_TW.UTF-8", .lang = "zh_TW.UTF-8", .language = Language::Chinese},
            {.name = "en_US.UTF-8", .lang = "en_US.UTF-8", .language = Language::English},
            {.name = "de_DE before LANG", .lcMessages = "de_DE", .lang = "zh_CN.UTF-8", .language = Language::English},
            {.name = "an empty LC_ALL is unset", .lcAll = "", .lang = "en_US.UTF-8", .language = Language::English},
            {.name = "none", .language = Language::Chinese}};
        // clang-format on
        const auto row = [&locales](const char* name, int shows, bool engineText, Cause cause) {
            for (const Locale& locale : locales)
                QTest::addRow("%s, %s", name, locale.name) << cause << shows << engineText << locale;
        };
        row("store: a read-only database", ErrorNumber::ReadOnlyDatabase, true, [](const Folder& f, QTextStream&) {
            f.addMapping("a", "a.mp3");
            deleteFirstRow(f, store::adModeRead);
        });
        row("legacy reader process: a damaged Jet file", ErrorNumber::UnrecognizedFormat, false,
            [](const Folder& f, QTextStream&) {
                QFile::remove(f.databasePath());
                QFile::resize(test::copySample("legacy-db1.mdb", f.path()), 12288);
                deleteFirstRow(f);
            });
        row("keysound-db and audio: a missing sound", 1, false, [](const Folder& f, QTextStream& out) {
            f.addMapping("a", "gone.mp3");
            tools::runDbTool({"check", f.path()}, out, out);
        });
        row("pack: a file that is no zip", ErrorNumber::InvalidFileFormat, true, [](const Folder& f, QTextStream&) {
            pack::unpackTable(f.writeFile("table.kspack", "no zip"), f.path(), pack::UnpackMode::Merge, {});
        });
    }
    void oneLanguage()
    {
        QFETCH(Cause, cause);
        QFETCH(int, shows);
        QFETCH(bool, endsInEngineText);
        QFETCH(Locale, locale);
        for (const auto& [variable, value] :
             {std::pair{"LC_ALL", locale.lcAll}, {"LC_MESSAGES", locale.lcMessages}, {"LANG", locale.lang}}) {
            qunsetenv(variable);  // the legacy reader's process gets them too
            if (value)
                qputenv(variable, value);
        }
        QCOMPARE(platform::messageLanguage(), locale.language);
        QVERIFY(platform::installTranslations(locale.language));
        QString shown = shownBy(cause);
        QVERIFY2(shown.contains(QString::number(shows)), qPrintable(shown));  // the failure meant
        QString ours = shown.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"|“[^”]*”")));
        const QRegularExpression han(QStringLiteral("\\p{Han}"));
        const bool english = locale.language == Language::English;
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel").contains(han), !english);
        if (english) {
            QVERIFY2(!ours.contains(han), qPrintable(ours));
            return;
        }
        if (endsInEngineText)
            ours = ours.left(ours.lastIndexOf(u'：'));
        QVERIFY2(!ours.contains(QRegularExpression(QStringLiteral("\\b[a-z]{2,}\\b"))), qPrintable(ours));
    }
};

QTEST_GUILESS_MAIN(MessageLanguageTest)
#include "tst_messagelanguage.moc"
