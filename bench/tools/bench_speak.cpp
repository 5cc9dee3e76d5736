// Speaks a table of 300 keys into MP3 files, the way `keysound-db speak` would: single letters
// and digits, English words and Chinese words, taken in turn so that the voice changes at nearly
// every key (the dearest order). Prints the keys per second and the total time.
#include "platform/Error.h"
#include "speech/KeySpeech.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace {

const char englishWords[] =
    "the of and to in is you that it he was for on are as with his they at be this have from or one had by "
    "word but not what all were we when your can said there use each which she do how their if will up other "
    "about out many then them these so some her would make like him into time has look two more write go see "
    "number no way could people my than first water been call who oil its now find long down day did get come "
    "made may part over new sound take only little work know place year live me back give most very after "
    "thing our just name good sentence man think say great where help through much before line right too mean "
    "old any same tell boy follow came want show also around form three small set put end does another well "
    "large must big even such because turn here why ask went men read need land different home us move try "
    "kind hand picture again change off play spell air away animal house point page letter mother answer "
    "found study still learn should america world high every near add food between own below country plant";
const char chineseWords[] = "你好 谢谢 再见 老师 学生 学校 朋友 中国 北京 上海 今天 明天 昨天 早上 晚上 时间 "
                            "吃饭 喝水 米饭 面条 苹果 香蕉 西瓜 牛奶 鸡蛋 爸爸 妈妈 哥哥 姐姐 弟弟 妹妹 家人 "
                            "电脑 手机 汽车 飞机 火车 医生 医院 商店 书包 铅笔 黑板 作业 考试 汉字 拼音 句子 "
                            "天气 下雨 太阳 月亮 星星 春天 夏天 秋天 冬天 红色 蓝色 绿色 快乐 高兴 漂亮 运动";

// Letters and digits, English words and Chinese words, one of each in turn while they last.
QStringList benchKeys()
{
    QStringList singles;
    for (char c = 'a'; c <= 'z'; ++c)
        singles << QString(QChar(c));
    for (char c = '0'; c <= '9'; ++c)
        singles << QString(QChar(c));
    const QStringList lists[] = {singles, QString::fromUtf8(englishWords).split(' '),
                                 QString::fromUtf8(chineseWords).split(' ')};
    QStringList keys;
    for (qsizetype i = 0; keys.size() < 300; ++i) {
        for (const QStringList& list : lists) {
            if (i < list.size() && keys.size() < 300)
                keys << list[i];
        }
    }
    return keys;
}

}  // namespace

int main()
{
    const QStringList keys = benchKeys();
    QTemporaryDir folder;
    QElapsedTimer timer;
    timer.start();
    qint64 bytes = 0;
    try {
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const QString path = folder.filePath(QStringLiteral("key-%1.mp3").arg(i, 3, 10, QLatin1Char('0')));
            keysound::speech::speakKeyToFile(keys[i], path);
            bytes += QFileInfo(path).size();
        }
    } catch (const keysound::Error& error) {
        QTextStream(stderr) << "bench_speak: " << keysound::errorText(error) << '\n';
        return 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    QTextStream(stdout) << "bench_speak: " << keys.size() << " keys in " << QString::number(seconds, 'f', 2) << " s, "
                        << QString::number(keys.size() / seconds, 'f', 1) << " keys/s, "
                        << QString::number(bytes / 1024.0 / keys.size(), 'f', 1) << " KiB per file\n";
    return 0;
}
