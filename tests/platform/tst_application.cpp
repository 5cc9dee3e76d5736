// The program's Application: Qt's own translations under a Chinese locale, and the user's
// activity reported before the windows see it.
#include "platform/Application.h"

#include <QLineEdit>
#include <QtTest>

class ApplicationTest : public QObject {
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

    // A key and input-method text (a word being composed) reach the hook before any window.
    void userActivity()
    {
        auto* app = static_cast<keysound::platform::Application*>(qApp);
        int reports = 0;
        app->setUserActivityHook([&reports] { ++reports; });
        QLineEdit box;
        QTest::keyClick(&box, Qt::Key_A);
        QInputMethodEvent composing(QStringLiteral("ni"), {});
        QCoreApplication::sendEvent(&box, &composing);
        app->setUserActivityHook({});
        QCOMPARE(reports, 2);
    }
};

int main(int argc, char** argv)
{
    qputenv("LC_ALL", "zh_CN.UTF-8");
    keysound::platform::Application app(argc, argv);
    ApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_application.moc"
