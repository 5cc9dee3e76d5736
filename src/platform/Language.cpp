#include "platform/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>
#include <memory>

namespace keysound::platform {

namespace {

// The program's own Chinese texts, compiled from translations/keysound_zh_CN.ts into a resource.
const QString ChineseMessages = QStringLiteral(":/i18n/keysound_zh_CN.qm");

// What the last call installed; the next one replaces it.
std::unique_ptr<QTranslator>& programTranslator()
{
    static std::unique_ptr<QTranslator> installed;  // the program's translator installed in QCoreApplication
    return installed;
}

std::unique_ptr<QTranslator>& qtTranslator()
{
    static std::unique_ptr<QTranslator> installed;  // Qt's own translator installed in QCoreApplication
    return installed;
}

void replace(std::unique_ptr<QTranslator>& installed, std::unique_ptr<QTranslator> next)
{
    if (installed)
        QCoreApplication::removeTranslator(installed.get());
    installed = std::move(next);
    if (installed)
        QCoreApplication::installTranslator(installed.get());
}

// Without the system's translations for Qt, its few texts simply stay English.
void installQtTranslations(const QLocale& locale)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    replace(qtTranslator(), std::move(translator));
}

}  // namespace

Language messageLanguage(const QString& localeName)
{
    // The language is what comes before the territory, the code set and the modifier: "zh" in
    // "zh_TW.Big5@radical"; "C" in "C.UTF-8".
    static const QRegularExpression separator(QStringLiteral("[_.@-]"));
    const QString language = localeName.section(separator, 0, 0);
    const bool chinese = language.isEmpty() || language == QLatin1String("C") || language == QLatin1String("POSIX") ||
                         language.compare(QLatin1String("zh"), Qt::CaseInsensitive) == 0;
    return chinese ? Language::Chinese : Language::English;
}

QString messageLocaleName()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

bool installTranslations(Language language)
{
    if (language == Language::English) {
        replace(programTranslator(), nullptr);
        replace(qtTranslator(), nullptr);
        return true;
    }
    auto chinese = std::make_unique<QTranslator>();
    const bool loaded = chinese->load(ChineseMessages);
    replace(programTranslator(), loaded ? std::move(chinese) : nullptr);
    // Simplified Chinese for Qt's texts too, whichever Chinese locale chose it: one box, one script.
    installQtTranslations(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
    return loaded;
}

}  // namespace keysound::platform
