#include "audio/OutputKeeper.h"

#include <QtTest>

using namespace keysound::audio;

namespace {
// A device on the test's clock: its availability and loss are set by the test, and it sounds until
// `soundEndsAt`. It notes when it closes.
struct FakeDevice : OutputDevice {
    bool isOpen() const override { return opened; }
    bool open() override
    {
        ++opens;
        return opened = available;
    }
    void close(CloseReason reason) override
    {
        closes << now;
        lastClose = reason;
        opened = lost = false;
    }
    bool isLost() const override { return lost; }
    bool isSounding() const override { return opened && now < soundEndsAt; }

    qint64 now = 0, soundEndsAt = 0;
    bool available = true, opened = false, lost = false;
    int opens = 0;
    QList<qint64> closes;
    CloseReason lastClose = CloseReason::Idle;
};

// Keys whose sounds last soundMs (0: the file did not sound), then nothing more.
struct Typing {
    int keys;
    int gapMs;
    int soundMs;
};
}  // namespace
Q_DECLARE_METATYPE(Typing)

class OutputKeeperTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        device_ = FakeDevice{};
        keeper_.reset(new OutputKeeper(device_, KeeperTiming{}, [this] { return device_.now; }));
    }

    void closesOnlyAFewSecondsAfterTheLastSound_data()
    {
        QTest::addColumn<Typing>("t");
        QTest::newRow("a sound of several seconds") << Typing{.keys = 1, .gapMs = 0, .soundMs = 7500};
        QTest::newRow("fast typing") << Typing{.keys = 40, .gapMs = 60, .soundMs = 80};
        QTest::newRow("slow typing") << Typing{.keys = 10, .gapMs = 1900, .soundMs = 80};
        QTest::newRow("slow typing of keys that do not sound") << Typing{.keys = 10, .gapMs = 1900, .soundMs = 0};
    }
    void closesOnlyAFewSecondsAfterTheLastSound()
    {
        QFETCH(Typing, t);
        int looks = 0;
        for (int key = 0; key < t.keys; ++key) {
            device_.now = qint64(key) * t.gapMs;
            QVERIFY(keeper_->prepareToPlay());
            device_.soundEndsAt = device_.now + t.soundMs;
            qint64 nextKey = 60000;
            if (key + 1 < t.keys)
                nextKey = device_.now + t.gapMs;
            // The backend's single-shot timer: restarted after each key, then after each look.
            for (int delay = keeper_->checkIdle(); delay >= 0 && device_.now + delay < nextKey; ++looks) {
                device_.now += delay;
                delay = keeper_->checkIdle();
            }
        }
        QCOMPARE(device_.opens, 1);
        QCOMPARE(device_.closes.size(), 1);
        const qint64 afterSound = device_.closes.first() - device_.soundEndsAt;
        QCOMPARE_GE(afterSound, 2000);
        QCOMPARE_LE(afterSound, 5000);
        QCOMPARE_LE(looks, device_.closes.first() / 1000 + 2);  // at most one look a second
    }

    // A lost output is closed and given up, so the next key opens a fresh one at once.
    void lostOutputReopensAtTheNextKey_data()
    {
        QTest::addColumn<bool>("idleLookFirst");
        QTest::newRow("found by an idle look") << true;
        QTest::newRow("found at the key") << false;
    }
    void lostOutputReopensAtTheNextKey()
    {
        QFETCH(bool, idleLookFirst);
        QVERIFY(keeper_->prepareToPlay());
        device_.lost = true;
        if (idleLookFirst)
            QCOMPARE(keeper_->checkIdle(), -1);
        QVERIFY(keeper_->prepareToPlay());
        QCOMPARE(device_.opens, 2);
        QCOMPARE(device_.closes.size(), 1);
        QCOMPARE(device_.lastClose, CloseReason::Lost);
    }

    // No device at start: a burst of keys tries once, then again only once a second has passed.
    void missingDeviceIsRetriedAtMostOnceASecond()
    {
        device_.available = false;
        for (device_.now = 0; device_.now < 2500; device_.now += 50)
            QVERIFY(!keeper_->prepareToPlay());
        QCOMPARE(device_.opens, 3);          // at 0, 1000 and 2000 ms
        QCOMPARE(keeper_->checkIdle(), -1);  // nothing to look after while closed
        device_.available = true;            // the server has started
        device_.now += 1000;
        QVERIFY(keeper_->prepareToPlay());
        QCOMPARE(device_.opens, 4);
    }

private:
    FakeDevice device_;
    QScopedPointer<OutputKeeper> keeper_;
};

QTEST_GUILESS_MAIN(OutputKeeperTest)
#include "tst_outputkeeper.moc"
