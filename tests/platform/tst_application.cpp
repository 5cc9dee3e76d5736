// The program's Application: the user's activity reported before the windows see it.
#include "platform/Application.h"

#include <QLineEdit>
#include <QtTest>

class ApplicationTest : public QObject {
    Q_OBJECT

private slots:
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
    keysound::platform::QtDialogs dialogs;
    keysound::platform::Application app(argc, argv, dialogs);
    ApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_application.moc"
