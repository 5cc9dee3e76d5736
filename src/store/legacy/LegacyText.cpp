#include "store/legacy/LegacyText.h"

#include "platform/AnsiText.h"
#include "platform/Error.h"
#include "store/legacy/LegacyImportText.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <cerrno>
#include <cmath>
#include <iconv.h>

namespace keysound::store::legacy {

namespace {

QByteArray expandCompressedUnicode(const QByteArray& stored)
{
    QByteArray utf16;
    utf16.reserve(stored.size() * 2);
    bool compressed = true;
    for (qsizetype i = 2; i < stored.size();) {
        const char byte = stored.at(i);
        if (byte == '\0') {
            compressed = !compressed;
            ++i;
        } else if (compressed) {
            utf16.append(byte).append('\0');
            ++i;
        } else if (i + 1 < stored.size()) {
            utf16.append(byte).append(stored.at(i + 1));
            i += 2;
        } else {
            break;  // half a character at the end: nothing sensible to keep
        }
    }
    return utf16;
}

bool isCompressedUnicode(const QByteArray& stored)
{
    return stored.size() >= 2 && quint8(stored.at(0)) == 0xFF && quint8(stored.at(1)) == 0xFE;
}

class Iconv {
public:
    explicit Iconv(int codePage)
    {
        const QByteArray name = "CP" + QByteArray::number(codePage);
        handle_ = iconv_open("UTF-8", name.constData());
        if (handle_ == reinterpret_cast<iconv_t>(-1))
            throw Error(ErrorNumber::LegacyImportFailed,
                        LegacyImportText::tr("The text of the old database uses the code page "
                                             "%1, which this system cannot convert.")
                            .arg(codePage));
    }
    ~Iconv() { iconv_close(handle_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    QString convert(const QByteArray& input) const
    {
        QByteArray output(input.size() * 4 + 4, Qt::Uninitialized);
        char* in = const_cast<char*>(input.constData());
        size_t inLeft = input.size();
        char* out = output.data();
        size_t outLeft = output.size();
        while (inLeft > 0) {
            if (iconv(handle_, &in, &inLeft, &out, &outLeft) != size_t(-1))
                break;
            if (errno == E2BIG)
                break;  // cannot happen: four bytes of UTF-8 per input byte is the maximum
            // A byte the code page leaves undefined: mark it and go on.
            ++in;
            --inLeft;
            if (outLeft < 3)
                break;
            const char replacement[] = "\xEF\xBF\xBD";
            std::copy(replacement, replacement + 3, out);
            out += 3;
            outLeft -= 3;
        }
        return platform::fromUtf8Exact(QByteArrayView(output.constData(), out - output.constData()));
    }

private:
    iconv_t handle_;
};

}  // namespace

QString decodeJet4Text(const QByteArray& stored)
{
    const QByteArray utf16 = isCompressedUnicode(stored) ? expandCompressedUnicode(stored) : stored;
    return QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2);
}

QString decodeJet3Text(const QByteArray& stored, int codePage)
{
    return Iconv(codePage > 0 ? codePage : 1252).convert(stored);
}

QString jetDateTimeToIso(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return QString::number(days, 'g', QLocale::FloatingPointShortest);  // no calendar date: keep the stored number
    const double wholeDays = std::trunc(days);
    const qint64 msecsOfDay = std::llround(std::fabs(days - wholeDays) * 86400000.0);
    const QDate date = QDate(1899, 12, 30).addDays(qint64(wholeDays)).addDays(msecsOfDay / 86400000);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(msecsOfDay % 86400000));
    const QString format = time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss");
    return date.toString(Qt::ISODate) + QLatin1Char('T') + time.toString(format);
}

QString jetCurrencyToText(qint64 tenThousandths)
{
    const bool negative = tenThousandths < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(tenThousandths) : quint64(tenThousandths);
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 10000)
        .arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
}

}  // namespace keysound::store::legacy
