#include "editor/StringBack.h"
#include "platform/Error.h"

#include <QTest>

using keysound::editor::getStringBack;

class tst_StringBack : public QObject {
    Q_OBJECT
private slots:
    void cutsAtLastSeparator_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("expected");
        const QString longName = QString(10000, QChar(u'长')) + QStringLiteral(".mp3");
        QTest::newRow("empty text, no search") << "" << "\\" << "";
        QTest::newRow("full path gives its last component") << "C:\\sounds\\a.mp3" << "\\" << "a.mp3";
        QTest::newRow("path ending in a backslash") << "C:\\sounds\\" << "\\" << "";
        QTest::newRow("only a backslash") << "\\" << "\\" << "";
        QTest::newRow("chinese file name") << "\\home\\u\\音频\\按键.mp3" << "\\" << "按键.mp3";
        QTest::newRow("name without extension") << "\\tmp\\ding" << "\\" << "ding";
        QTest::newRow("10,000-character name") << "\\tmp\\" + longName << "\\" << longName;
        QTest::newRow("slash separator keeps the slash") << "x/y.mp3" << "/" << "/y.mp3";
        QTest::newRow("slash separator drops later backslashes") << "a/b\\c\\d.mp3" << "/" << "/bcd.mp3";
        QTest::newRow("last of several slashes") << "a/b/c" << "/" << "/c";
        QTest::newRow("separator compared case-sensitively") << "aXbxc" << "x" << "xc";
        QTest::newRow("separator of two characters") << "one--two--three" << "--" << "--three";
    }
    void cutsAtLastSeparator()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QString, expected);
        QCOMPARE(getStringBack(text, separator), expected);
    }

    void textWithoutSeparatorIsAnInvalidArgument_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::newRow("plain name, backslash") << "a.mp3" << "\\";
        QTest::newRow("forward-slash path, backslash") << "/tmp/a.mp3" << "\\";
        QTest::newRow("other letter case only") << "abc" << "B";
    }
    void textWithoutSeparatorIsAnInvalidArgument()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        try {
            getStringBack(text, separator);
            QFAIL("no error for a text without the separator");
        } catch (const keysound::Error& error) {
            QCOMPARE(error.number(), keysound::ErrorNumber::InvalidArgument);
            QVERIFY(error.description().contains(text));
        }
    }
};

QTEST_GUILESS_MAIN(tst_StringBack)
#include "tst_StringBack.moc"
