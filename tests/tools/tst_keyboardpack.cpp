#include "KeyboardPackImport.h"
#include "PackFiles.h"
#include "SpriteSlices.h"
#include "speech/Mp3Encoder.h"

#include "StoreTestSupport.h"

#include <QtTest>
#include <cmath>
#include <sys/stat.h>
#include <zip.h>

using namespace keysound;
using namespace keysound::keyboardpack;
using namespace keysound::test;

namespace {

using LeftOutCodes = QMap<LeftOut, QStringList>;
using KeyFiles = QMap<QString, QString>;  // key -> file name in the table

// A pack's files by path; bytes "->target" make a symbolic link to target.
const QByteArray LinkMark = "->";

// The test's stand-in for the sandboxed decoder: a file plays unless its bytes start with "bad";
// a sprite is "PCM" and raw interleaved stereo samples.
class FakeJudge : public SoundJudge {
public:
    std::optional<QString> problemWith(const QString& nativePath) override
    {
        if (fileBytes(nativePath).startsWith("bad"))
            return QStringLiteral("the test's decoder refuses it");
        return std::nullopt;
    }
    DecodedPcm decode(const QString& nativePath) override
    {
        ++decoded;
        const QByteArray bytes = fileBytes(nativePath);
        if (!bytes.startsWith("PCM"))
            return {.problem = QStringLiteral("the test's decoder cannot read it"), .owner = {}, .samples = {}};
        auto pcm = std::make_shared<QByteArray>(bytes.mid(3));
        return {.problem = {},
                .owner = pcm,
                .samples = {reinterpret_cast<const int16_t*>(pcm->constData()), size_t(pcm->size() / 2)}};
    }
    int decoded = 0;
};

// Frame n of the test's sprite is (n, -n): every slice has samples of its own.
std::vector<int16_t> spriteSamples(qint64 frames)
{
    std::vector<int16_t> samples;
    for (qint64 frame = 0; frame < frames; ++frame)
        samples.insert(samples.end(), {int16_t(frame % 30000), int16_t(-(frame % 30000))});
    return samples;
}

QByteArray fakeSprite(qint64 frames)
{
    const std::vector<int16_t> samples = spriteSamples(frames);
    return "PCM" + QByteArray(reinterpret_cast<const char*>(samples.data()), qsizetype(samples.size() * 2));
}

// What the import must store for frames [first, end) of the sprite: speak's encoding of them.
QByteArray sliceMp3(qint64 frames, qint64 first, qint64 end)
{
    const std::vector<int16_t> samples = spriteSamples(frames);
    return speech::encodeMp3(std::span(samples).subspan(size_t(first * 2), size_t((end - first) * 2)),
                             {.channels = 2, .sampleRate = 44100, .outputRate = 44100});
}

// The root mean square of the difference, as a part of the expected samples' own.
double relativeError(std::span<const int16_t> actual, std::span<const int16_t> expected)
{
    double difference = 0;
    double signal = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        difference += std::pow(double(actual[i]) - expected[i], 2);
        signal += std::pow(double(expected[i]), 2);
    }
    return std::sqrt(difference / signal);
}

// How far an MP3 of a slice, decoded, may differ from the samples it was made of.
constexpr double EncoderTolerance = 0.1;

enum class Form { Folder, Zip, ZipInTopFolder };

void writeZip(const QString& path, const Files& files, const QString& top)
{
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    QVERIFY(archive);
    QList<QByteArray> kept;  // libzip reads the bytes at zip_close()
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        const bool link = file->startsWith(LinkMark);
        kept.append(link ? file->mid(LinkMark.size()) : *file);
        zip_source_t* source = zip_source_buffer(archive, kept.last().constData(), zip_uint64_t(kept.last().size()), 0);
        const zip_int64_t index = zip_file_add(archive, (top + file.key()).toUtf8().constData(), source, 0);
        QVERIFY(index >= 0);
        zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                         (link ? S_IFLNK | 0777u : S_IFREG | 0644u) << 16);
    }
    QCOMPARE(zip_close(archive), 0);
}

QString writePack(const QString& folder, const Files& files, Form form)
{
    if (form != Form::Folder) {
        const QString path = folder + QStringLiteral("/pack.zip");
        writeZip(path, files, form == Form::ZipInTopFolder ? QStringLiteral("My Pack/") : QString());
        return path;
    }
    const QString root = folder + QStringLiteral("/pack");
    QDir().mkpath(root);
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        const QString path = root + u'/' + file.key();
        QDir().mkpath(QFileInfo(path).path());
        if (file->startsWith(LinkMark))
            QFile::link(QString::fromUtf8(file->mid(LinkMark.size())), path);
        else
            writeFile(path, *file);
    }
    return root;
}

struct MapCase {
    Files pack;
    int rows = 0;
    KeyFiles keys;  // some of them
    Files stored;   // MP3/ afterwards
    LeftOutCodes leftOut = {};
    int releaseSounds = 0;
    QList<qint64> cutSlicesKeptMs = {};
};

struct HostileCase {
    Files pack;
    Form form = Form::Folder;
    QString named;  // what the refusal must name
};

QByteArray multiConfig(const QByteArray& defines)
{
    return R"({"name": "Multi", "key_define_type": "multi", "sound": "", "defines": {)" + defines + "}}";
}

}  // namespace

Q_DECLARE_METATYPE(MapCase)
Q_DECLARE_METATYPE(HostileCase)
Q_DECLARE_METATYPE(Form)
Q_DECLARE_METATYPE(Slice)

class KeyboardPackTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;

    static KeyFiles keysIn(const TestAppFolder& folder)
    {
        KeyFiles keys;
        for (const QVariantList& row : mappingsIn(folder.databasePath()))
            keys.insert(row.at(0).toString(), row.at(1).toString());
        return keys;
    }

private slots:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }

    void keysMapWhereThePackSays_data()
    {
        QTest::addColumn<MapCase>("c");
        QTest::addColumn<Form>("form");
        const Files multi{
            {"config.json", multiConfig(R"("30": "sounds/a.wav", "2": "sounds/num/one.wav", "57": "space.wav",
                "28": "enter.wav", "59": "sounds/a.wav", "42": "space.wav", "3612": "enter.wav", "79": "kp.wav",
                "14": null, "30-up": "up.wav", "55": "kp.wav", "9": "eight.wav", "F1": "kp.wav",
                "48": "same-as-a.wav")")},
            {"sounds/a.wav", "a"}, {"sounds/num/one.wav", "1"}, {"space.wav", " "}, {"enter.wav", "\r"},
            {"kp.wav", "kp"}, {"up.wav", "up"}, {"eight.wav", "8"}, {"same-as-a.wav", "a"}};
        const MapCase multiCase{
            .pack = multi,
            .rows = 8,
            .keys = {{"1", "Multi/sounds/num/one.wav"}, {"!", "Multi/sounds/num/one.wav"}, {"8", "Multi/eight.wav"},
                     {"*", "Multi/eight.wav"}, {"\r", "Multi/enter.wav"}, {"a", "Multi/sounds/a.wav"},
                     {"b", "Multi/sounds/a.wav"}, {" ", "Multi/space.wav"}},
            .stored = {{"Multi/", ""}, {"Multi/sounds/", ""}, {"Multi/sounds/num/", ""},
                       {"Multi/sounds/num/one.wav", "1"}, {"Multi/sounds/a.wav", "a"}, {"Multi/space.wav", " "},
                       {"Multi/enter.wav", "\r"}, {"Multi/eight.wav", "8"}},
            .leftOut = {{LeftOut::NotAKeyCode, {"F1"}}, {LeftOut::TypesNothing, {"42", "59"}},
                        {LeftOut::KeypadTwin, {"55", "79", "3612"}}, {LeftOut::NoSound, {"14"}}},
            .releaseSounds = 1};

        const Files version2{
            {"config.json", R"({"name": "V2", "version": "2", "key_define_type": "multi",
                "sound": "R{0-2}.mp3", "defines": {"14": "BACK.mp3", "28": "ENTER.mp3", "57": null}})"},
            {"R0.mp3", "r0"}, {"R1.mp3", "r1"}, {"R2.mp3", "r2"}, {"BACK.mp3", "back"}, {"ENTER.mp3", "enter"}};
        // The 50 typing keys of the main block without a define of their own take R0, R1, R2, R0 ...
        // by scan code: Esc, 1, 2, 3 ... and Space, the 50th.
        const MapCase version2Case{
            .pack = version2,
            .rows = 52 + 21,
            .keys = {{"\x1b", "V2/R0.mp3"}, {"1", "V2/R1.mp3"}, {"!", "V2/R1.mp3"}, {"2", "V2/R2.mp3"},
                     {"3", "V2/R0.mp3"}, {"\b", "V2/BACK.mp3"}, {"\t", "V2/R1.mp3"}, {"\r", "V2/ENTER.mp3"},
                     {"a", "V2/R2.mp3"}, {" ", "V2/R1.mp3"}},
            .stored = {{"V2/", ""}, {"V2/R0.mp3", "r0"}, {"V2/R1.mp3", "r1"}, {"V2/R2.mp3", "r2"},
                       {"V2/BACK.mp3", "back"}, {"V2/ENTER.mp3", "enter"}}};

        constexpr qint64 frames = 4410;  // 100 ms
        const Files single{{"config.json", R"({"name": "Sprite", "key_define_type": "single", "sound": "s.ogg",
                "soundup": "s.ogg", "defines": {"30": [0, 10], "2": [0, 10.2], "48": [10, 15], "31": [90, 30],
                "32": [500, 10], "33": [40, 0], "31-up": [0, 5]}})"},
                           {"s.ogg", fakeSprite(frames)}};
        const MapCase singleCase{
            .pack = single,
            .rows = 5,
            .keys = {{"1", "Sprite/slice-0-10.mp3"}, {"!", "Sprite/slice-0-10.mp3"}, {"a", "Sprite/slice-0-10.mp3"},
                     {"s", "Sprite/slice-90-30.mp3"}, {"b", "Sprite/slice-10-15.mp3"}},
            .stored = {{"Sprite/", ""},
                       {"Sprite/slice-0-10.mp3", sliceMp3(frames, 0, 441)},
                       {"Sprite/slice-10-15.mp3", sliceMp3(frames, 441, 1102)},
                       {"Sprite/slice-90-30.mp3", sliceMp3(frames, 3969, 4410)}},
            .leftOut = {{LeftOut::NoSound, {"33"}}, {LeftOut::PastTheEnd, {"32"}}},
            .releaseSounds = 2,
            .cutSlicesKeptMs = {10}};

        for (const auto& [name, form] : {std::pair{"folder", Form::Folder}, std::pair{"zip", Form::Zip},
                                         std::pair{"zip, top folder", Form::ZipInTopFolder}}) {
            QTest::addRow("multi, subfolders, keys that type nothing (%s)", name) << multiCase << form;
            QTest::addRow("version 2, default with a range (%s)", name) << version2Case << form;
            QTest::addRow("single, slices shared, cut, past the end (%s)", name) << singleCase << form;
        }
    }
    void keysMapWhereThePackSays()
    {
        QFETCH(MapCase, c);
        QFETCH(Form, form);
        const TestAppFolder target;
        FakeJudge judge;
        const QString pack = writePack(dir_->path(), c.pack, form);
        QVERIFY(isKeyboardPack(pack));
        const ImportReport report = importKeyboardPack(pack, target.path(), pack::UnpackMode::Merge, judge);
        const KeyFiles keys = keysIn(target);
        QCOMPARE(keys.size(), c.rows);
        for (auto key = c.keys.cbegin(); key != c.keys.cend(); ++key)
            QCOMPARE(keys.value(key.key()), key.value());
        QCOMPARE(filesBelow(target.soundFolderPath()), c.stored);
        QCOMPARE(report.leftOut, c.leftOut);
        QCOMPARE(report.releaseSounds, c.releaseSounds);
        QList<qint64> cutKeptMs;
        for (const CutSlice& cut : report.cutSlices)
            cutKeptMs.append(cut.keptMs);
        QCOMPARE(cutKeptMs, c.cutSlicesKeptMs);
        QVERIFY(judge.decoded <= 1);  // a sprite is decoded once
    }

    // With keysound's own decoder: every slice plays the sprite's samples at its place.
    void slicesPlayTheSpriteAtTheirPlace()
    {
        const Files pack{{"config.json", R"({"name": "Sweep", "key_define_type": "single", "sound": "sweep.ogg",
                "defines": {"30": [0, 100], "48": [250, 120], "57": [930, 200]}})"},
                         {"sweep.ogg", fileBytes(KEYSOUND_AUDIO_FIXTURES_DIR "/sweep-1s.ogg")}};
        const TestAppFolder target;
        const std::unique_ptr<SoundJudge> judge = sandboxedJudge();
        const ImportReport report = importKeyboardPack(writePack(dir_->path(), pack, Form::ZipInTopFolder),
                                                       target.path(), pack::UnpackMode::Merge, *judge);
        QCOMPARE(report.cutSlices.size(), 1);
        const DecodedPcm sprite = judge->decode(writeFile(dir_->filePath("sweep.ogg"), pack.value("sweep.ogg")));
        QVERIFY(!sprite.problem);
        const qint64 spriteFrames = qint64(sprite.samples.size() / 2);
        const KeyFiles keys = keysIn(target);
        for (const auto& [key, startMs, endMs] : {std::tuple{"a", 0, 100}, {"b", 250, 370}, {" ", 930, 1130}}) {
            const DecodedPcm slice = judge->decode(target.soundFolderPath() + u'/' + keys.value(key));
            QVERIFY2(!slice.problem, qPrintable(slice.problem.value_or(QString())));
            const qint64 first = startMs * 441 / 10;
            const qint64 end = std::min<qint64>(endMs * 441 / 10, spriteFrames);
            const auto expected = sprite.samples.subspan(size_t(first * 2), size_t((end - first) * 2));
            QCOMPARE(slice.samples.size(), expected.size());
            const double error = relativeError(slice.samples, expected);
            QVERIFY2(error < EncoderTolerance, qPrintable(QStringLiteral("key %1: %2").arg(key).arg(error)));
        }
    }

    void mergeAndReplaceCarryOver()
    {
        const Files pack{{"config.json", multiConfig(R"("30": "a.wav", "48": "b.wav")")}, {"a.wav", "a"}, {"b.wav", "b"}};
        const QString packPath = writePack(dir_->path(), pack, Form::Zip);
        const TestAppFolder target;
        fill(target, {{"A", "mine.mp3"}}, {{"mine.mp3", "mine"}, {"Multi/b.wav", "other"}});
        FakeJudge judge;
        const ImportReport merged = importKeyboardPack(packPath, target.path(), pack::UnpackMode::Merge, judge);
        QCOMPARE(mappingsIn(target.databasePath()), (QList<QVariantList>{{"A", "mine.mp3"}, {"b", "Multi/b-2.wav"}}));
        QCOMPARE(merged.table.keysKept.size(), 1);
        const ImportReport again = importKeyboardPack(packPath, target.path(), pack::UnpackMode::ReplaceTable, judge);
        QCOMPARE(mappingsIn(target.databasePath()),
                 (QList<QVariantList>{{"a", "Multi/a.wav"}, {"b", "Multi/b-2.wav"}}));
        QCOMPARE(again.table.soundsAdded, 1);  // b-2.wav holds b's bytes already
        QCOMPARE(filesBelow(target.soundFolderPath()).value("Multi/b.wav"), "other");
    }

    void hostilePackChangesNothing_data()
    {
        QTest::addColumn<HostileCase>("c");
        const auto multi = [](const QByteArray& defines, const Files& more = {}) {
            Files files = more;
            files.insert("config.json", multiConfig(defines));
            return files;
        };
        const auto single = [](const QByteArray& defines) {
            return Files{{"config.json", R"({"key_define_type": "single", "sound": "s.ogg", "defines": {)" + defines +
                                             "}}"},
                         {"s.ogg", fakeSprite(441)}};
        };
        const Files fine{{"a.wav", "a"}};
        QByteArray deep(9, '[');
        QByteArray manyDefines;
        for (int code = 0; code <= limits::MaxDefines; ++code)
            manyDefines += QByteArray(code ? "," : "") + '"' + QByteArray::number(code) + "\": null";
        Files manyEntries = multi(R"("30": "a.wav")", fine);
        for (int entry = 0; entry < 20000; ++entry)
            manyEntries.insert("x/" + QString::number(entry), {});
        // clang-format off
        const QList<std::pair<const char*, HostileCase>> cases{
            {"config.json that is no JSON", {{{"config.json", "{\"defines\": "}}, Form::Folder, "JSON"}},
            {"config.json too large", {{{"config.json", QByteArray(limits::MaxConfigBytes + 1, ' ')}}, Form::Zip, "1024 KiB"}},
            {"config.json nested too deep", {multi(R"("30": )" + deep + QByteArray(9, ']')), Form::Folder, "8 levels"}},
            {"too many defines", {multi(manyDefines), Form::Folder, QString::number(limits::MaxDefines)}},
            {"an unknown define type", {{{"config.json", R"({"key_define_type": "double", "defines": {}})"}}, Form::Folder, "key_define_type"}},
            {"a negative slice", {single(R"("30": [-5, 10])"), Form::Folder, "key 30"}},
            {"an absurd slice", {single(R"("30": [0, 1e12])"), Form::Zip, "key 30"}},
            {"a slice that is no pair", {single(R"("30": [0])"), Form::Folder, "key 30"}},
            {"a name leading out", {multi(R"("30": "../a.wav")", fine), Form::Folder, "../a.wav"}},
            {"an absolute name", {multi(R"("30": "/etc/passwd")", fine), Form::Zip, "/etc/passwd"}},
            {"a name of a link", {multi(R"("30": "l.wav")", {{"l.wav", "->a.wav"}, {"a.wav", "a"}}), Form::Folder, "l.wav"}},
            {"a name through a linked folder", {multi(R"("30": "d/a.wav")", {{"d", "->."}, {"a.wav", "a"}}), Form::Folder, "\"d\""}},
            {"a zip entry that is a link", {multi(R"("30": "l.wav")", {{"l.wav", "->a.wav"}}), Form::ZipInTopFolder, "l.wav"}},
            {"a config.json that is a link", {{{"config.json", "->/etc/hostname"}}, Form::Folder, "config.json"}},
            {"a sound that does not play", {multi(R"("30": "a.wav")", {{"a.wav", "bad"}}), Form::Zip, "a.wav"}},
            {"a sound that is not there", {multi(R"("30": "gone.wav")", fine), Form::Folder, "gone.wav"}},
            {"a range variant that is not there", {multi(R"("30": "r{1-3}.wav", "48": "r{1-3}.wav")", {{"r1.wav", "1"}}), Form::Folder, "r2.wav"}},
            {"a range of too many numbers", {multi(R"("30": "r{0-100}.wav")", fine), Form::Folder, "r{0-100}.wav"}},
            {"two ranges in a name", {multi(R"("30": "r{0-1}{0-1}.wav")", fine), Form::Folder, "r{0-1}{0-1}.wav"}},
            {"a sprite that does not decode", {{{"config.json", R"({"key_define_type": "single", "sound": "s.ogg", "defines": {"30": [0, 5]}})"}, {"s.ogg", "bad"}}, Form::Zip, "s.ogg"}},
            {"a zip of more entries than a pack may have", {manyEntries, Form::Zip, "20000"}},
        };
        // clang-format on
        for (const auto& [name, c] : cases)
            QTest::newRow(name) << c;
    }
    void hostilePackChangesNothing()
    {
        QFETCH(HostileCase, c);
        const QString pack = writePack(dir_->path(), c.pack, c.form);
        const TestAppFolder target;
        fill(target, {{"a", "a.mp3"}}, {{"a.mp3", "a"}});
        const auto before = stateOf(target);
        FakeJudge judge;
        QVERIFY(isKeyboardPack(pack));
        const std::optional<Error> error =
            errorOf([&] { importKeyboardPack(pack, target.path(), pack::UnpackMode::ReplaceTable, judge); });
        QCOMPARE(error.value_or(Error(0, {})).number(), ErrorNumber::InvalidFileFormat);
        QVERIFY2(error->description().contains(c.named), qPrintable(error->description()));
        QCOMPARE(stateOf(target), before);
    }

    void toldApartByContent_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<Form>("form");
        QTest::addColumn<bool>("keyboardPack");
        const Files config{{"config.json", "{}"}};
        QTest::newRow("a folder with config.json") << config << Form::Folder << true;
        QTest::newRow("a zip with config.json") << config << Form::Zip << true;
        QTest::newRow("a zip with config.json in a top folder") << config << Form::ZipInTopFolder << true;
        QTest::newRow("a table pack holding config.json")
            << Files{{"format", "keysound table pack 1\n"}, {"config.json", "{}"}} << Form::Zip << false;
        QTest::newRow("a zip without config.json") << Files{{"sounds/config.json/x", "{}"}} << Form::Zip << false;
        QTest::newRow("a folder without config.json") << Files{{"a.wav", "a"}} << Form::Folder << false;
    }
    void toldApartByContent()
    {
        QFETCH(Files, files);
        QFETCH(Form, form);
        QFETCH(bool, keyboardPack);
        QCOMPARE(isKeyboardPack(writePack(dir_->path(), files, form)), keyboardPack);
    }

    // Slices that meet in milliseconds meet in frames; one running past the end stops there.
    void slicesCutToTheMillisecond_data()
    {
        QTest::addColumn<Slice>("slice");
        QTest::addColumn<QList<qint64>>("frames");  // first, end, and 1 when cut
        const auto row = [](const char* name, Slice slice, qint64 first, qint64 end, bool cut) {
            QTest::newRow(name) << slice << QList<qint64>{first, end, cut};
        };
        row("the first 10 ms", {0, 10}, 0, 441, false);
        row("1 ms at 1 ms: 44.1 frames", {1, 1}, 44, 88, false);
        row("meets the one before", {2, 3}, 88, 220, false);
        row("ends where 10 ms end, not at 2 x 5 ms", {5, 5}, 220, 441, false);
        row("runs past the end", {990, 20}, 43659, 44100, true);
        row("begins past the end", {1500, 20}, 44100, 44100, true);
    }
    void slicesCutToTheMillisecond()
    {
        QFETCH(Slice, slice);
        QFETCH(QList<qint64>, frames);
        const FrameSpan span = framesOf(slice, 44100);  // one second
        QCOMPARE((QList<qint64>{span.first, span.end, span.cut}), frames);
    }
};

QTEST_GUILESS_MAIN(KeyboardPackTest)
#include "tst_keyboardpack.moc"
