#include "SoundFixtures.h"
#include "audio/SoundDecoder.h"

#include <QtTest>
#include <csignal>
#include <poll.h>
#include <unistd.h>

using namespace keysound::audio;
using namespace keysound::test;
using Kind = SoundVerdict::Kind;

namespace {

std::vector<int16_t> samplesOf(const Pcm& pcm)
{
    return {pcm.samples(), pcm.samples() + pcm.frames() * decodeprotocol::Channels};
}

// Everything a stream gives until its decoder closes it.
std::vector<int16_t> readToEnd(PcmStream& stream)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        pollfd ready{stream.readEnd, POLLIN, 0};
        if (::poll(&ready, 1, 20000) <= 0)
            break;
        const ssize_t n = ::read(stream.readEnd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    const auto* samples = reinterpret_cast<const int16_t*>(bytes.constData());
    return {samples, samples + bytes.size() / 2};
}

QByteArray synchsafe(int n)
{
    return QByteArray(1, char(n >> 21)) + char(n >> 14 & 0x7F) + char(n >> 7 & 0x7F) + char(n & 0x7F);
}

// An ID3v2 tag of this version and these flags around the body; with its footer when the flags ask for one.
QByteArray id3v2Tag(char version, char flags, const QByteArray& body)
{
    const QByteArray versionAndFlags = QByteArray(1, version) + '\0' + flags + synchsafe(int(body.size()));
    return "ID3" + versionAndFlags + body + ((flags & 0x10) ? "3DI" + versionAndFlags : QByteArray());
}

}  // namespace

// The decoder process and its client: what comes back is the sound's own PCM, and every way a
// decoder can fail makes the file no playable sound without harm to keysound.
class SoundDecoderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void cleanup() { qputenv("KEYSOUND_DECODER", realDecoder_); }

    void formatsDecode_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("seconds");
        for (const QString format : {"wav", "ogg", "flac"})
            QTest::newRow(qPrintable(format)) << audioFixtures + "/tone-half-s." + format << 0.5;
        QTest::newRow("mp3") << audioFixtures + "/tone-1s.mp3" << 1.0;
        const QByteArray mp3 = fileBytes(audioFixtures + "/tone-1s.mp3");
        const QByteArray title = "TIT2" + synchsafe(4) + QByteArray(2, '\0') + "\x03key";
        QTest::newRow("mp3 after an ID3v2.4 tag with a footer")
            << writeFile(dir_.filePath("footer.mp3"), id3v2Tag(4, 0x10, title) + mp3) << 1.0;
        const QByteArray extendedHeader("\0\0\0\x06\0\0\0\0\0\0", 10);
        const QByteArray unsynchronised = "TIT2" + QByteArray("\0\0\0\x04\0\0\0\xFF\0\xE0", 10);
        const QByteArray v23 = id3v2Tag(3, char(0xC0), extendedHeader + unsynchronised);
        QTest::newRow("mp3 after an unsynchronised ID3v2.3 tag with an extended header")
            << writeFile(dir_.filePath("extended.mp3"), v23 + mp3) << 1.0;
    }
    void formatsDecode()
    {
        QFETCH(QString, file);
        QFETCH(double, seconds);
        const DecodedSound sound = SoundDecoder().decodeNow(file);
        QCOMPARE(sound.verdict.kind, Kind::Playable);
        QVERIFY(sound.pcm);
        QCOMPARE(sound.pcm->frames(), sound.verdict.frames);
        // An encoder may pad a sound by a frame of its own; a buffer of the mixer's more is a fault.
        QVERIFY2(std::abs(sound.verdict.seconds() - seconds) < 0.06, qPrintable(QString::number(sound.verdict.seconds())));
        QCOMPARE_GT(sound.verdict.peak, 8000);
    }

    // Whatever happens to the file once it is decoded, the PCM held is what was decoded then: it
    // lives in a sealed memory file, and nothing reads the sound file again.
    void pcmIsWhatWasDecoded_data()
    {
        QTest::addColumn<QString>("change");
        for (const char* change : {"none", "rewritten in place", "truncated", "replaced by rename"})
            QTest::newRow(change) << change;
    }
    void pcmIsWhatWasDecoded()
    {
        QFETCH(QString, change);
        const std::vector<int16_t> original = rampSamples(22050);
        const QString path = writeFile(dir_.filePath("ramp.wav"), wavOf(original));
        const DecodedSound sound = SoundDecoder().decodeNow(path);
        QVERIFY(sound.pcm);
        QVERIFY(samplesOf(*sound.pcm) == original);
        QFile file(path);
        if (change == "rewritten in place") {
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(100);
            file.write(QByteArray(8000, '\x55'));
        } else if (change == "truncated") {
            QVERIFY(file.resize(200));
        } else if (change == "replaced by rename") {
            writeFile(dir_.filePath("other.wav"), wavOf(rampSamples(100, 3000)));
            QVERIFY(::rename(qPrintable(dir_.filePath("other.wav")), qPrintable(path)) == 0);
        }
        file.close();
        QVERIFY(samplesOf(*sound.pcm) == original);
    }

    // Every fault a decoder can commit makes the file no playable sound, and says which.
    void faultsAreVerdicts_data()
    {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("signal");
        QTest::newRow("crashes") << QByteArray("crash") << Kind::Crashed << SIGSEGV;
        QTest::newRow("hangs") << QByteArray("hang") << Kind::TimedOut << 0;
        QTest::newRow("opens a file") << QByteArray("open") << Kind::Crashed << SIGSYS;
        QTest::newRow("makes a socket") << QByteArray("socket") << Kind::Crashed << SIGSYS;
        QTest::newRow("runs a program") << QByteArray("exec") << Kind::Crashed << SIGSYS;
        QTest::newRow("asks to be traced") << QByteArray("ptrace") << Kind::Crashed << SIGSYS;
        QTest::newRow("writes more than a sound may hold") << QByteArray("grow") << Kind::Crashed << SIGXFSZ;
        QTest::newRow("claims more than it wrote") << QByteArray("lie") << Kind::Crashed << 0;
        QTest::newRow("replies, then crashes") << QByteArray("replycrash") << Kind::Crashed << SIGSEGV;
        QTest::newRow("takes no work: nothing is known") << QByteArray("quiet") << Kind::Unavailable << 0;
        QTest::newRow("behaves") << QByteArray("none") << Kind::Playable << 0;
    }
    void faultsAreVerdicts()
    {
        QFETCH(QByteArray, fault);
        QFETCH(Kind, kind);
        QFETCH(int, signal);
        qputenv("KEYSOUND_DECODER", KEYSOUND_MISBEHAVING_DECODER);
        const QString path = writeFile(dir_.filePath(fault + ".wav"), wavCommitting(fault));
        const DecodedSound sound = SoundDecoder(qint64(1) << 20).decodeNow(path);
        QCOMPARE(sound.verdict.kind, kind);
        QCOMPARE(sound.verdict.signal, signal);
        QCOMPARE(bool(sound.pcm), kind == Kind::Playable);
    }

    // A decode that could not run says nothing of the file: the next one is asked again.
    void anUnrunnableDecodeIsNotKept()
    {
        const QString path = writeFile(dir_.filePath("unrunnable.wav"), wavCommitting("quiet"));
        SoundDecoder decoder;
        qputenv("KEYSOUND_DECODER", KEYSOUND_MISBEHAVING_DECODER);
        QCOMPARE(decoder.verdictNow(path).kind, Kind::Unavailable);
        qputenv("KEYSOUND_DECODER", realDecoder_);
        decoder.verdictNow(path);  // the spare decoder started meanwhile misbehaves too
        QCOMPARE(decoder.verdictNow(path).kind, Kind::Playable);
    }

    // Past what a sound may hold, a key's decode stops at once and the sound streams, whole and in
    // order; a tool's decode still goes to the end for its verdict.
    void aLongSoundStreams()
    {
        const std::vector<int16_t> samples = rampSamples(3 * decodeprotocol::Frequency);
        const QString path = writeFile(dir_.filePath("long.wav"), wavOf(samples));
        SoundDecoder decoder(decodeprotocol::Frequency * decodeprotocol::BytesPerFrame);  // one second held
        std::optional<DecodedSound> keyDecode;
        decoder.decode(SoundFile::open(path), false, [&](const DecodedSound& sound) { keyDecode = sound; });
        QTRY_VERIFY_WITH_TIMEOUT(keyDecode.has_value(), 20000);
        QCOMPARE(keyDecode->verdict.kind, Kind::Playable);
        QVERIFY(!keyDecode->pcm);
        const std::unique_ptr<PcmStream> stream = decoder.stream(SoundFile::open(path), keyDecode->streamFrames);
        QVERIFY(stream);
        QVERIFY(readToEnd(*stream) == samples);
        const DecodedSound toolDecode = decoder.decodeNow(path);
        QCOMPARE(toolDecode.verdict.frames, qint64(samples.size() / 2));
        QVERIFY(!toolDecode.pcm);
    }

private:
    QTemporaryDir dir_;
    const QByteArray realDecoder_ = qgetenv("KEYSOUND_DECODER");
};

QTEST_GUILESS_MAIN(SoundDecoderTest)
#include "tst_sounddecoder.moc"
