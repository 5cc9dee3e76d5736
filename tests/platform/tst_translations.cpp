// Under a Chinese locale the program's Application loads Qt's own translations.
#include "platform/Application.h"

#include <QtTest>

class TranslationsTest : public QObject {
    Q_OBJECT

private slots:
    // Texts that Qt itself shows in our windows (message box button, context menu, file dialog),
    // by the context Qt looks them up in.
    void qtTextsAreChinese()
    {
        for (const auto& [context, source] : {std::pair{"QPlatformTheme", "Cancel"}, {"QLineEdit", "&Copy"}, {"QFileDialog", "File &name:"}}) {
            const QString shown = QCoreApplication::translate(context, source);
            QVERIFY2(shown.contains(QRegularExpression(QStringLiteral("\\p{Han}"))), qPrintable(shown));
        }
        QVERIFY(!keysound::platform::Application::installQtTranslations(QLocale(QLocale::Zulu)));
    }
};

int main(int argc, char** argv)
{
    qputenv("LC_ALL", "zh_CN.UTF-8");
    keysound::platform::Application app(argc, argv);
    TranslationsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_translations.moc"
