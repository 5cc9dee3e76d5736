#include "audio/SoundDecoder.h"
#include "platform/Error.h"
#include "speech/KeySpeech.h"
#include "speech/SoundShaping.h"
#include "speech/Utterance.h"

#include "ErrorOf.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace keysound;
using namespace keysound::speech;
using keysound::test::errorNumberOf;
using keysound::test::fileBytes;

namespace {
struct ChoiceCase {
    QString key;
    QString voice = {};  // the caller's, if any
    Utterance expected;
};
struct WriteCase {
    QString name = "key.mp3";               // in a folder that holds the folder "folder"
    std::optional<QByteArray> before = {};  // what the file holds before, if it exists
    ExistingFile existing = ExistingFile::Replace;
    std::optional<WriteOutcome> outcome;  // none: it fails, reporting the file
    QByteArray after = {};
};
struct SpokenCase {
    QString key;
    QString voice = {};  // the caller's, if any
    int refusal = 0;     // the error number; 0: spoken
    double atLeastSeconds = 0;  // the whole utterance, the encoder's last frames included
};
const int InvalidArgument = ErrorNumber::InvalidArgument;
const QByteArray oldBytes = "old sound";
const QByteArray newBytes = "new sound";
}  // namespace
Q_DECLARE_METATYPE(ChoiceCase)
Q_DECLARE_METATYPE(WriteCase)
Q_DECLARE_METATYPE(SpokenCase)

// Key texts spoken as key sounds: what is said in which voice, how the samples are shaped, how
// the file is written, and what the player then hears.
class SpeechTest : public QObject {
    Q_OBJECT
    audio::SoundDecoder decoder_;

private slots:
    void initTestCase() { ::umask(022); }

    void chooseUtterance_data()
    {
        QTest::addColumn<ChoiceCase>("row");
        const auto row = [](const char* name, const ChoiceCase& c) { QTest::newRow(name) << c; };
        const Reading Characters = Reading::Characters;
        row("single letter: the letter, in either case", {.key = "A", .expected = {EnglishVoice, "a", Characters}});
        row("any Han, with Latin too: Mandarin", {.key = "Shift键", .expected = {MandarinVoice, "Shift键"}});
        row("one Han character: Mandarin", {.key = "好", .expected = {MandarinVoice, "好"}});
        row("letters and digits: words", {.key = "F1", .expected = {EnglishVoice, "F1"}});
        row("Chinese mark: its Chinese name", {.key = "。", .expected = {MandarinVoice, "句号"}});
        row("a mark: its name, a full-width one as ASCII's",
            {.key = "＠", .expected = {EnglishVoice, "@", Characters}});
        row("space key", {.key = " ", .expected = {EnglishVoice, "space"}});
        row("override", {.key = "你好", .voice = "cmn", .expected = {"cmn", "你好"}});
    }
    void chooseUtterance()
    {
        QFETCH(ChoiceCase, row);
        const std::optional<Utterance> utterance = speech::chooseUtterance(row.key, row.voice);
        QVERIFY(utterance.has_value());
        QCOMPARE(utterance->voice, row.expected.voice);
        QCOMPARE(utterance->text, row.expected.text);
        QCOMPARE(utterance->reading, row.expected.reading);
    }

    // A 0.2 s tone at a fifth of full scale between 0.1 s silences, as espeak-ng's output looks,
    // with a quiet tail: loud enough to keep (0.75 % of full scale), too quiet to start a sound.
    void keySoundShape()
    {
        Samples input(2205, 0);
        for (int i = 0; i < 4410; ++i)
            input.push_back(int16_t(6553 * std::sin(2 * M_PI * 440 * i / 22050.0)));
        for (int i = 0; i < 300; ++i)
            input.push_back(int16_t(250 - 500 * (i % 2)));
        input.insert(input.end(), 2205, 0);
        const Samples shaped = shapeKeySound(input, 22050);
        QCOMPARE_GT(shaped.size(), 4700u);  // the tone starts at once, its tail stays
        QCOMPARE_LE(shaped.size(), 4710u);
        QCOMPARE(shaped.front(), 0);  // faded in
        QCOMPARE(shaped.back(), 0);   // faded out
        const int peak = *std::max_element(shaped.begin(), shaped.end());
        QCOMPARE_GT(peak, 0.85 * 32767);
        QCOMPARE_LT(peak, 32767);
        QCOMPARE(shapeKeySound(Samples(100, 300), 22050), Samples());  // nothing loud enough: nothing
    }

    // A failed write leaves nothing behind, a successful one nothing beside the file.
    void writeSoundFile_data()
    {
        QTest::addColumn<WriteCase>("row");
        const auto row = [](const char* name, const WriteCase& c) { QTest::newRow(name) << c; };
        // clang-format off
        row("new file", {.existing = ExistingFile::Keep, .outcome = WriteOutcome::Written, .after = newBytes});
        row("existing file kept", {.before = oldBytes, .existing = ExistingFile::Keep,
            .outcome = WriteOutcome::KeptExisting, .after = oldBytes});
        row("existing file replaced", {.before = oldBytes, .outcome = WriteOutcome::Written, .after = newBytes});
        row("folder missing", {.name = "none/key.mp3", .outcome = std::nullopt});
        row("a folder in the way", {.name = "folder", .outcome = std::nullopt});
        // clang-format on
    }
    void writeSoundFile()
    {
        QFETCH(WriteCase, row);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        const QString path = dir.filePath(row.name);
        if (row.before)
            keysound::test::writeFile(path, *row.before);
        const auto write = [&] { return speech::writeSoundFile(path, newBytes, row.existing); };
        if (!row.outcome) {
            QCOMPARE(errorNumberOf(write), ErrorNumber::FileAccess);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
            return;
        }
        QCOMPARE(write(), *row.outcome);
        QCOMPARE(fileBytes(path), row.after);
        const auto readableByAll = QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther;
        QCOMPARE(QFile::permissions(path), readableByAll | QFile::WriteOwner | QFile::WriteUser);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"key.mp3"});
    }

    // Played through as the player plays it, the sound is loud and starts at once: the file's
    // info frame has the decoder drop the encoder's delay. A key with nothing to say, or a voice
    // espeak-ng lacks, is refused.
    void speakKeyAsMp3_data()
    {
        QTest::addColumn<SpokenCase>("row");
        const auto row = [](const char* name, const SpokenCase& c) { QTest::newRow(name) << c; };
        row("English word", {.key = "hello", .atLeastSeconds = 0.4});  // 0.45 s; 0.32 s without the flushed frames
        row("letter", {.key = "a"});
        row("Chinese word", {.key = "你好"});
        row("a voice espeak-ng does not have", {.key = "a", .voice = "no-such-voice", .refusal = InvalidArgument});
        row("nothing to say", {.key = "\t", .refusal = InvalidArgument});
    }
    void speakKeyAsMp3()
    {
        QFETCH(SpokenCase, row);
        QByteArray mp3;
        QCOMPARE(errorNumberOf([&] { mp3 = speech::speakKeyAsMp3(row.key, row.voice); }), row.refusal);
        if (row.refusal != 0)
            return;
        QTemporaryDir dir;
        const audio::SoundVerdict verdict =
            decoder_.verdictNow(keysound::test::writeFile(dir.filePath("key.mp3"), mp3));
        QVERIFY(verdict.isPlayable());
        QCOMPARE_GT(verdict.peak, 16384);
        QCOMPARE_LT(verdict.firstSoundSeconds().value_or(1.0), 0.020);  // none: never
        QCOMPARE_GE(verdict.seconds(), row.atLeastSeconds);
    }
};

QTEST_GUILESS_MAIN(SpeechTest)
#include "tst_speech.moc"
