#include "ProgressReporter.h"

#include "ProgressText.h"

#include <QFile>
#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace keysound::tools {

namespace {

constexpr int LongestItemShown = 24;  // so that the line fits a terminal and \r can rewrite it

QString shownItem(const QString& item)
{
    QString shown = item.left(LongestItemShown);
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control)  // a line break or tab would break the line
            c = QChar::ReplacementCharacter;
    }
    return shown.size() < item.size() ? shown + QChar(0x2026) : shown;
}

QString duration(qint64 milliseconds)
{
    const qint64 seconds = (milliseconds + 999) / 1000;
    if (seconds < 60)
        return ProgressText::tr("%1 s").arg(seconds);
    return ProgressText::tr("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

qint64 monotonicMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::optional<qint64> estimateRemainingMilliseconds(qint64 elapsedMilliseconds, int done, int total)
{
    if (done <= 0)
        return std::nullopt;
    return elapsedMilliseconds * (total - done) / done;
}

ProgressReporter::ProgressReporter(QIODevice& out, int total, Style style, Clock clock)
    : out_(out)
    , total_(total)
    , style_(style)
    , clock_(std::move(clock))
    , start_(clock_())
{}

ProgressReporter::~ProgressReporter() = default;

std::unique_ptr<ProgressReporter> ProgressReporter::onStandardError(int total)
{
    auto file = std::make_unique<QFile>();
    file->open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const Style style = ::isatty(STDERR_FILENO) ? Style::InPlace : Style::Lines;
    auto reporter = std::make_unique<ProgressReporter>(*file, total, style, monotonicMilliseconds);
    reporter->ownedOut_ = std::move(file);
    return reporter;
}

QString ProgressReporter::line(const QString& item) const
{
    QString text = QStringLiteral("[%1/%2] %3").arg(count_).arg(total_).arg(shownItem(item));
    if (const auto remaining = estimateRemainingMilliseconds(clock_() - start_, count_ - 1, total_))
        text += ProgressText::tr(", about %1 left").arg(duration(*remaining));
    return text;
}

void ProgressReporter::begin(const QString& item)
{
    ++count_;
    if (style_ == Style::InPlace) {
        // Back to the line's start and clear it: the new line may be shorter than the old one.
        out_.write("\r\x1b[K" + line(item).toUtf8());
        lineOpen_ = true;
    } else {
        out_.write(line(item).toUtf8() + '\n');
    }
}

void ProgressReporter::finish()
{
    if (lineOpen_)
        out_.write("\n");
    lineOpen_ = false;
}

}  // namespace keysound::tools
