// Under a Chinese locale the program's Application loads Qt's own translations.
#include "platform/Application.h"

#include <QtTest>

using keysound::platform::Application;

class TranslationsTest : public QObject {
    Q_OBJECT

private slots:
    // Texts that Qt itself shows in our windows, by the context Qt looks them up in.
    void qtTextsAreChinese_data()
    {
        QTest::addColumn<QByteArray>("context");
        QTest::addColumn<QByteArray>("source");
        QTest::newRow("message box button") << QByteArray("QPlatformTheme") << QByteArray("Cancel");
        QTest::newRow("line edit context menu") << QByteArray("QLineEdit") << QByteArray("&Copy");
        QTest::newRow("file dialog") << QByteArray("QFileDialog") << QByteArray("File &name:");
    }
    void qtTextsAreChinese()
    {
        QFETCH(QByteArray, context);
        QFETCH(QByteArray, source);
        const QString shown = QCoreApplication::translate(context.constData(), source.constData());
        QVERIFY2(shown.contains(QRegularExpression(QStringLiteral("\\p{Han}"))), qPrintable(shown));
    }

    void noTranslationsForAnUntranslatedLocale()
    {
        QVERIFY(!Application::installQtTranslations(QLocale(QLocale::Zulu)));
    }
};

int main(int argc, char** argv)
{
    qputenv("LC_ALL", "zh_CN.UTF-8");
    Application app(argc, argv);
    TranslationsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_translations.moc"
