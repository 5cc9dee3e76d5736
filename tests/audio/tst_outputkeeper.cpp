#include "audio/OutputKeeper.h"

#include <QtTest>

using namespace keysound::audio;

namespace {
// A device whose availability, loss and sound the test sets; it counts opens and closes.
struct FakeDevice : OutputDevice {
    bool isOpen() const override { return opened; }
    bool open() override { ++opens; opened = available; return opened; }
    void close(CloseReason reason) override { ++closes; lastClose = reason; opened = false; lost = false; }
    bool isLost() const override { return lost; }
    bool isSounding() const override { return opened && sounding; }

    bool available = true, opened = false, lost = false, sounding = false;
    int opens = 0, closes = 0;
    CloseReason lastClose = CloseReason::Idle;
};

// Runs the idle looks the way the backend's single-shot timer does, until `untilMs` on the clock.
// Returns how many looks happened.
int runIdleLooks(OutputKeeper& keeper, qint64& now, qint64 untilMs)
{
    int looks = 0;
    for (int delay = keeper.checkIdle(); delay >= 0 && now + delay <= untilMs; delay = keeper.checkIdle()) {
        now += delay;
        ++looks;
    }
    return looks;
}
}  // namespace

class OutputKeeperTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        device_ = FakeDevice{};
        now_ = 0;
        keeper_.reset(new OutputKeeper(device_, KeeperTiming{}, [this] { return now_; }));
    }

    void closesAFewSecondsAfterTheLastSound_data()
    {
        QTest::addColumn<int>("soundMs");
        QTest::newRow("a click") << 80;
        QTest::newRow("a sound of several seconds") << 7500;
    }
    void closesAFewSecondsAfterTheLastSound()
    {
        QFETCH(int, soundMs);
        QVERIFY(keeper_->prepareToPlay());
        device_.sounding = true;
        qint64 looksUntil = soundMs;
        const int looksWhilePlaying = runIdleLooks(*keeper_, now_, looksUntil);
        QVERIFY(looksWhilePlaying <= soundMs / 1000 + 1);  // at most one wake-up a second
        device_.sounding = false;
        const qint64 endedAt = soundMs;
        runIdleLooks(*keeper_, now_, endedAt + 60000);
        QCOMPARE(device_.closes, 1);
        QVERIFY2(now_ - endedAt >= 2000 && now_ - endedAt <= 5000, qPrintable(QString::number(now_ - endedAt)));
        QCOMPARE(keeper_->checkIdle(), -1);  // closed: no more looks
    }

    void typingNeverClosesBetweenKeys_data()
    {
        QTest::addColumn<int>("keyGapMs");
        QTest::newRow("fast typing") << 60;
        QTest::newRow("slow typing") << 2500;
    }
    void typingNeverClosesBetweenKeys()
    {
        QFETCH(int, keyGapMs);
        for (int key = 0; key < 40; ++key) {
            QVERIFY(keeper_->prepareToPlay());
            int delay = keeper_->checkIdle();
            for (qint64 next = now_ + keyGapMs; delay >= 0 && now_ + delay < next;)
                now_ += delay, delay = keeper_->checkIdle();
            now_ = (key + 1) * qint64(keyGapMs);
        }
        QCOMPARE(device_.opens, 1);
        QCOMPARE(device_.closes, 0);
    }

    void reopensAtTheNextKey_data()
    {
        QTest::addColumn<bool>("closedByIdle");
        QTest::newRow("after idle close") << true;
        QTest::newRow("after a lost device") << false;
    }
    void reopensAtTheNextKey()
    {
        QFETCH(bool, closedByIdle);
        QVERIFY(keeper_->prepareToPlay());
        if (closedByIdle)
            runIdleLooks(*keeper_, now_, 60000);
        else
            device_.lost = true;
        now_ += 1;
        QVERIFY(keeper_->prepareToPlay());
        QCOMPARE(device_.opens, 2);
        QCOMPARE(device_.closes, 1);
        QCOMPARE(device_.lastClose, closedByIdle ? CloseReason::Idle : CloseReason::Lost);
    }

    void lostDeviceIsClosedWhileIdle()
    {
        QVERIFY(keeper_->prepareToPlay());
        device_.sounding = true;
        keeper_->checkIdle();
        device_.lost = true;
        QCOMPARE(keeper_->checkIdle(), -1);
        QVERIFY(!device_.opened);
        QCOMPARE(device_.lastClose, CloseReason::Lost);
    }

    // No device at start: a burst of keys tries once, then again only once a second has passed.
    void missingDeviceIsRetriedAtMostOnceASecond()
    {
        device_.available = false;
        for (now_ = 0; now_ < 2500; now_ += 50)
            QVERIFY(!keeper_->prepareToPlay());
        QCOMPARE(device_.opens, 3);  // at 0, 1000 and 2000 ms
        QCOMPARE(keeper_->checkIdle(), -1);  // nothing to look after while closed
        device_.available = true;  // the server has started
        now_ += 1000;
        QVERIFY(keeper_->prepareToPlay());
        QCOMPARE(device_.opens, 4);
    }

private:
    FakeDevice device_;
    qint64 now_ = 0;
    QScopedPointer<OutputKeeper> keeper_;
};

QTEST_GUILESS_MAIN(OutputKeeperTest)
#include "tst_outputkeeper.moc"
