// Dialog filter conversion and twips arithmetic.
#include "platform/Dialogs.h"
#include "platform/Twips.h"

#include <QtTest>

using namespace keysound::platform;

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void filters_data();
    void filters();
    void twips_data();
    void twips();
};

void DialogsTest::filters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qt");
    QTest::newRow("sound files then all files") << "(*.mp3)|*.mp3|(*.*)|*.*" << "(*.mp3) (*.mp3);;(*.*) (*)";
    QTest::newRow("several patterns") << "Sounds|*.mp3;*.wav" << "Sounds (*.mp3 *.wav)";
}

void DialogsTest::filters()
{
    QFETCH(QString, filter);
    QFETCH(QString, qt);
    QCOMPARE(toQtNameFilters(filter), qt);
}

void DialogsTest::twips_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::newRow("15 twips per pixel at 96 dpi") << 6045.0 << 96.0 << 403;
    QTest::newRow("rounds to the nearest pixel") << 345.0 << 96.0 << 23;
    QTest::newRow("120 dpi") << 1440.0 << 120.0 << 120;
}

void DialogsTest::twips()
{
    QFETCH(double, twips);
    QFETCH(double, dpi);
    QFETCH(int, pixels);
    QCOMPARE(twipsToPixels(twips, dpi), pixels);
    QCOMPARE(twipsToPixels(pixelsToTwips(pixels, dpi), dpi), pixels);
}

QTEST_GUILESS_MAIN(DialogsTest)
#include "tst_dialogs.moc"
