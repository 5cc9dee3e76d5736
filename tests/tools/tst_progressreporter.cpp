#include "ProgressReporter.h"

#include <QBuffer>
#include <QtTest>

using keysound::tools::ProgressReporter;
using Style = ProgressReporter::Style;

namespace {
struct ReportCase {
    Style style;
    int total;
    QStringList items;  // begun one second apart
    bool finished = true;
    int lineBreaks;
    int rewrites = 0;  // returns to the line's start
    QString lastShows = {};
};
}  // namespace
Q_DECLARE_METATYPE(ReportCase)

class ProgressReporterTest : public QObject {
    Q_OBJECT

private slots:
    void report_data()
    {
        QTest::addColumn<ReportCase>("row");
        const auto row = [](const char* name, const ReportCase& c) { QTest::newRow(name) << c; };
        // clang-format off
        row("lines: one per item, a line break in a key kept out; time left at one item a second",
            {.style = Style::Lines, .total = 100, .items = {"a", "b\nc", "d"}, .lineBreaks = 3,
             .lastShows = "1 min 38 s"});
        row("in place: one line rewritten, ended by finish",
            {.style = Style::InPlace, .total = 3, .items = {"a", "b", "c"}, .lineBreaks = 1, .rewrites = 3,
             .lastShows = "[3/3] c"});
        row("in place, unfinished: the line stays open",
            {.style = Style::InPlace, .total = 3, .items = {"a", "b"}, .finished = false, .lineBreaks = 0,
             .rewrites = 2, .lastShows = "[2/3] b"});
        // clang-format on
    }
    void report()
    {
        QFETCH(ReportCase, row);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        qint64 now = 0;
        ProgressReporter reporter(out, row.total, row.style, [&now] { return now; });
        for (const QString& item : row.items) {
            reporter.begin(item);
            now += 1000;
        }
        if (row.finished)
            reporter.finish();
        const QString text = QString::fromUtf8(out.data());
        QCOMPARE(text.count('\n'), row.lineBreaks);
        QCOMPARE(text.count('\r'), row.rewrites);
        const QString lastUpdate = text.split(QRegularExpression("[\r\n]"), Qt::SkipEmptyParts).last();
        QVERIFY2(lastUpdate.contains(row.lastShows), qPrintable(lastUpdate));
    }
};

QTEST_GUILESS_MAIN(ProgressReporterTest)
#include "tst_progressreporter.moc"
