#include "store/LegacyText.h"

#include "platform/Error.h"

#include <QtTest>

using namespace keysound::store::legacy;

class TestLegacyText : public QObject {
    Q_OBJECT

private slots:
    void jet4Text_data();
    void jet4Text();
    void jet3Text_data();
    void jet3Text();
    void jet3UnknownCodePageThrows();
    void dateTime_data();
    void dateTime();
    void currency_data();
    void currency();
};

namespace {
QByteArray utf16le(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(char(v));
    return result;
}
}  // namespace

void TestLegacyText::jet4Text_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("plain UTF-16") << utf16le(QStringLiteral("Мир")) << QStringLiteral("Мир");
    QTest::newRow("compressed ASCII") << bytes({0xFF, 0xFE, 'a', 'b', 'c'}) << QStringLiteral("abc");
    QTest::newRow("compressed Latin-1 byte is a code point") << bytes({0xFF, 0xFE, 0xDC, 'n'}) << QStringLiteral("Ün");
    QTest::newRow("compressed, then UTF-16 run, then compressed again")
        << bytes({0xFF, 0xFE, 'b', 0x00, 0x7D, 0x59, 0x00, '!'}) << QStringLiteral("b好!");
    QTest::newRow("surrogate pair outside the BMP survives")
        << utf16le(QString::fromUcs4(U"x\U0001F600y")) << QString::fromUcs4(U"x\U0001F600y");
    QTest::newRow("surrogate pair inside a compressed text")
        << bytes({0xFF, 0xFE, 'k', 0x00, 0x3D, 0xD8, 0x01, 0xDE}) << QString::fromUcs4(U"k\U0001F601");
    QTest::newRow("marker only is the empty text") << bytes({0xFF, 0xFE}) << QString();
    QTest::newRow("half a character at the end is dropped") << bytes({0xFF, 0xFE, 'a', 0x00, 0x41}) << QStringLiteral("a");
}

void TestLegacyText::jet4Text()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, expected);
    QCOMPARE(decodeJet4Text(stored), expected);
}

void TestLegacyText::jet3Text_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1252 ASCII") << QByteArray("hello") << 1252 << QStringLiteral("hello");
    QTest::newRow("1252 euro and umlaut") << bytes({0x80, 0xDC}) << 1252 << QStringLiteral("€Ü");
    QTest::newRow("1251 Cyrillic") << bytes({0xCC, 0xE8, 0xF0}) << 1251 << QStringLiteral("Мир");
    QTest::newRow("936 Chinese") << bytes({0xBA, 0xC3}) << 936 << QStringLiteral("好");
    QTest::newRow("no code page recorded means 1252") << bytes({0xE9}) << 0 << QStringLiteral("é");
    QTest::newRow("byte undefined in 1252 becomes U+FFFD")
        << bytes({'a', 0x81, 'b'}) << 1252 << QStringLiteral("a\uFFFDb");
}

void TestLegacyText::jet3Text()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, codePage);
    QFETCH(QString, expected);
    QCOMPARE(decodeJet3Text(stored, codePage), expected);
}

void TestLegacyText::jet3UnknownCodePageThrows()
{
    try {
        decodeJet3Text("x", 65123);
        QFAIL("an unknown code page was accepted");
    } catch (const keysound::Error& error) {
        QCOMPARE(error.number(), keysound::ErrorNumber::LegacyImportFailed);
        QVERIFY2(error.description().contains(QStringLiteral("65123")), qPrintable(error.description()));
    }
}

void TestLegacyText::dateTime_data()
{
    QTest::addColumn<double>("days");
    QTest::addColumn<QString>("expected");

    QTest::newRow("day zero") << 0.0 << QStringLiteral("1899-12-30T00:00:00");
    QTest::newRow("date only") << 29932.0 << QStringLiteral("1981-12-12T00:00:00");
    QTest::newRow("noon") << 36526.5 << QStringLiteral("2000-01-01T12:00:00");
    QTest::newRow("time rounds to the millisecond") << 36526.0 + 1.0 / 86400.0 << QStringLiteral("2000-01-01T00:00:01");
    QTest::newRow("milliseconds kept") << 36526.0 + 0.25 / 86400.0 << QStringLiteral("2000-01-01T00:00:00.250");
    QTest::newRow("before 1899: fraction counts forward") << -1.25 << QStringLiteral("1899-12-29T06:00:00");
    QTest::newRow("almost midnight rounds into the next day") << 1.0 - 0.0001 / 86400.0 << QStringLiteral("1899-12-31T00:00:00");
    QTest::newRow("no calendar date keeps the number") << 1.0e300 << QStringLiteral("1e+300");
}

void TestLegacyText::dateTime()
{
    QFETCH(double, days);
    QFETCH(QString, expected);
    QCOMPARE(jetDateTimeToIso(days), expected);
}

void TestLegacyText::currency_data()
{
    QTest::addColumn<qint64>("tenThousandths");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << qint64(0) << QStringLiteral("0.0000");
    QTest::newRow("three and a half") << qint64(35000) << QStringLiteral("3.5000");
    QTest::newRow("negative cents") << qint64(-1234) << QStringLiteral("-0.1234");
    QTest::newRow("largest") << std::numeric_limits<qint64>::max() << QStringLiteral("922337203685477.5807");
    QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << QStringLiteral("-922337203685477.5808");
}

void TestLegacyText::currency()
{
    QFETCH(qint64, tenThousandths);
    QFETCH(QString, expected);
    QCOMPARE(jetCurrencyToText(tenThousandths), expected);
}

QTEST_GUILESS_MAIN(TestLegacyText)
#include "tst_legacytext.moc"
