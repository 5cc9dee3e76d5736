#include "audio/SoundLayout.h"

#include <QtTest>

using namespace keysound::audio;

namespace {

template <typename Number>
QByteArray littleEndian(Number value)
{
    QByteArray bytes(sizeof value, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}
QByteArray le32(quint32 value) { return littleEndian(value); }
QByteArray le16(quint16 value) { return littleEndian(value); }

QByteArray chunk(const QByteArray& kind, const QByteArray& body) { return kind + le32(quint32(body.size())) + body; }

struct WaveFormat {
    quint16 tag = 1;
    quint16 channels = 1;
    quint32 rate = 8000;
    quint16 align = 2;
    quint16 bits = 16;
};

QByteArray fmtChunk(const WaveFormat& f)
{
    return chunk("fmt ",
                 le16(f.tag) + le16(f.channels) + le32(f.rate) + le32(f.rate * f.align) + le16(f.align) + le16(f.bits));
}

QByteArray wave(const QList<QByteArray>& chunks)
{
    const QByteArray body = "WAVE" + chunks.join();
    return "RIFF" + le32(quint32(body.size())) + body;
}

const QByteArray samples("\x01\x02\x03\x04\x05\x06", 6);
const QByteArray mp3Frames = QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(413, '\x55');
const QByteArray id3Tag = QByteArray("ID3\x03\x00\x00\x00\x00\x00\x0A", 10) + QByteArray("TALB\0\0\0\0\0\0", 10);
const QByteArray streamInfo = QByteArray("\x00\x00\x00\x22", 4) + QByteArray(10, '\x10') +
                              QByteArray("\x0A\xC4\x40", 3) + QByteArray(21, '\0');  // 44.1 kHz mono
const QByteArray flacFrames("\xFF\xF8\x69\x08\x00\x00", 6);

using Stream = std::optional<QByteArray>;
const Stream noSound;

Stream streamOf(const QByteArray& file)
{
    const MemoryBytes bytes(file);
    const std::optional<SoundLayout> layout = readSoundLayout(bytes);
    if (!layout)
        return noSound;
    QByteArray stream(qsizetype(layout->size()), '\0');
    stream.truncate(qsizetype(layout->readAt(bytes, 0, stream.data(), stream.size())));
    return stream;
}

}  // namespace

// What the mixer's decoders are shown of a file: only its audio, in a form of our own where the
// format has metadata that the mixer's readers mishandle, and nothing at all for anything else.
class SoundLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void decodersSee_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Stream>("stream");
        const QByteArray monoWave = wave({fmtChunk({}), chunk("data", samples)});
        const QByteArray flacStreamInfoLast = "fLaC" + QByteArray("\x80", 1) + streamInfo.mid(1);
        const QByteArray ape = "APETAGEX" + le32(2000) + le32(32) + le32(0) + le32(0) + QByteArray(8, '\0');
        const QByteArray lyrics = "LYRICSBEGIN" + QByteArray("abc") + "000014LYRICS200";

        QTest::newRow("MP3 without its ID3v2, ID3v1, APE and Lyrics3 tags")
            << id3Tag + id3Tag + mp3Frames + lyrics + ape + "TAG" + QByteArray(125, 'x') << Stream(mp3Frames);
        QTest::newRow("MP3 without the zeros padding its tag")
            << id3Tag + QByteArray(100, '\0') + mp3Frames << Stream(mp3Frames);
        QTest::newRow("an APE footer claiming more than the file loses only its footer")
            << mp3Frames + "APETAGEX" + le32(2000) + le32(0x7FFFFFFF) + le32(0) + le32(0) + QByteArray(8, '\0')
            << Stream(mp3Frames);
        QTest::newRow("an ID3v2 tag claiming more than the file")
            << QByteArray("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10) + mp3Frames << noSound;
        QTest::newRow("an ID3v2 size that is not synchsafe")
            << QByteArray("ID3\x03\x00\x00\x00\x00\x00\x80", 10) + mp3Frames << noSound;
        QTest::newRow("MPEG Layer II is not MP3")
            << QByteArray("\xFF\xFD\x90\x64", 4) + QByteArray(400, 'x') << noSound;

        QTest::newRow("WAV without its sampler loop and text chunks")
            << wave({fmtChunk({}), chunk("smpl", QByteArray(60, '\0')), chunk("LIST", "INFOINAM"),
                     chunk("data", samples)})
            << Stream(monoWave);
        QTest::newRow("WAV with its samples before the format")
            << wave({chunk("data", samples), fmtChunk({})}) << Stream(monoWave);
        QTest::newRow("WAV whose odd chunk is padded")
            << wave({chunk("junk", "abc") + '\0', fmtChunk({}), chunk("data", samples)}) << Stream(monoWave);
        QTest::newRow("WAV cut off in its last frame keeps its whole frames")
            << wave({fmtChunk({}), chunk("data", samples)}).chopped(1)
            << Stream(wave({fmtChunk({}), chunk("data", samples.left(4))}));
        QTest::newRow("WAV extensible PCM told as plain PCM")
            << wave({chunk("fmt ", fmtChunk({.tag = 0xFFFE}).mid(8) + le16(22) + le16(16) + le32(4) + le16(1) +
                                       QByteArray("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14)),
                     chunk("data", samples)})
            << Stream(monoWave);
        QTest::newRow("WAV with no channels") << wave({fmtChunk({.channels = 0}), chunk("data", samples)}) << noSound;
        QTest::newRow("WAV at 0 Hz") << wave({fmtChunk({.rate = 0}), chunk("data", samples)}) << noSound;
        QTest::newRow("WAV of 12-bit samples") << wave({fmtChunk({.bits = 12}), chunk("data", samples)}) << noSound;
        QTest::newRow("WAV whose frame size is not its samples'")
            << wave({fmtChunk({.align = 4}), chunk("data", samples)}) << noSound;
        QTest::newRow("WAV of ADPCM") << wave({fmtChunk({.tag = 2, .bits = 4}), chunk("data", samples)}) << noSound;
        QTest::newRow("WAV without samples") << wave({fmtChunk({})}) << noSound;
        QTest::newRow("WAV whose text chunk hides its samples")
            << wave({fmtChunk({}), "LIST" + le32(0x7FFFFFF0) + "INFO", chunk("data", samples)}) << noSound;

        QTest::newRow("FLAC with its stream information only")
            << "fLaC" + streamInfo + QByteArray("\x84\x00\x00\x09", 4) + le32(1) + 'x' + le32(0) + flacFrames
            << Stream(flacStreamInfoLast + flacFrames);
        QTest::newRow("FLAC after an ID3v2 tag")
            << id3Tag + "fLaC" + QByteArray("\x80", 1) + streamInfo.mid(1) + flacFrames
            << Stream(flacStreamInfoLast + flacFrames);
        QTest::newRow("FLAC whose first block is no stream information")
            << "fLaC" + QByteArray("\x84\x00\x00\x22", 4) + streamInfo.mid(4) + flacFrames << noSound;
        QTest::newRow("FLAC without frames") << "fLaC" + QByteArray("\x80", 1) + streamInfo.mid(1) << noSound;
        QTest::newRow("FLAC whose blocks never end") << "fLaC" + streamInfo + flacFrames << noSound;

        const QByteArray ogg = "OggS" + QByteArray(1, '\0') + QByteArray(60, '\x01');
        QTest::newRow("Ogg as it is") << ogg << Stream(ogg);
        QTest::newRow("Ogg of an unknown version") << "OggS" + QByteArray(60, '\x01') << noSound;
        QTest::newRow("text") << QByteArray("just some text, named .mp3") << noSound;
        QTest::newRow("nothing") << QByteArray() << noSound;
    }
    void decodersSee()
    {
        QFETCH(QByteArray, file);
        QFETCH(Stream, stream);
        QCOMPARE(streamOf(file), stream);
    }

    // The decoders read the stream piece by piece, from anywhere in it.
    void readsAcrossPieces()
    {
        const MemoryBytes file(wave({fmtChunk({}), chunk("data", samples)}));
        const std::optional<SoundLayout> layout = readSoundLayout(file);
        QVERIFY(layout);
        char bytes[10] = {};
        QCOMPARE(layout->readAt(file, layout->size() - 10, bytes, 10), 10);
        QCOMPARE(QByteArray(bytes, 10), QByteArray("\x06\x00\x00\x00", 4) + samples);
        QCOMPARE(layout->readAt(file, layout->size(), bytes, 10), 0);
    }
};

QTEST_GUILESS_MAIN(SoundLayoutTest)
#include "tst_soundlayout.moc"
