// The program's Application: Qt's own translations under a Chinese locale, and the user's
// activity reported before the windows see it.
#include "platform/Application.h"

#include <QLineEdit>
#include <QtTest>

namespace {
std::unique_ptr<QEvent> makeEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return std::make_unique<QKeyEvent>(type, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    case QEvent::InputMethod: return std::make_unique<QInputMethodEvent>(QStringLiteral("ni"), QList<QInputMethodEvent::Attribute>{});
    default: return std::make_unique<QEvent>(type);
    }
}
}  // namespace

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

    void userActivity_data()
    {
        // clang-format off
        QTest::addColumn<QEvent::Type>("type");
        QTest::addColumn<bool>("reported");
        QTest::newRow("key press") << QEvent::KeyPress << true;
        QTest::newRow("input-method composition") << QEvent::InputMethod << true;
        QTest::newRow("key release") << QEvent::KeyRelease << false;
        QTest::newRow("repaint") << QEvent::UpdateRequest << false;
        // clang-format on
    }
    void userActivity()
    {
        QFETCH(QEvent::Type, type);
        QFETCH(bool, reported);
        auto* app = static_cast<keysound::platform::Application*>(qApp);
        int reports = 0;
        app->setUserActivityHook([&reports] { ++reports; });
        QLineEdit box;
        QCoreApplication::sendEvent(&box, makeEvent(type).get());
        app->setUserActivityHook({});
        QCOMPARE(reports > 0, reported);
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
