#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QIODevice;
class QFile;

namespace keysound::tools {

// More items than this, and a run is long enough to show its progress.
inline constexpr int QuietRunItems = 3;

// The time still needed for the items not done, at the rate of those done so far; nothing
// before the first item is done.
std::optional<qint64> estimateRemainingMilliseconds(qint64 elapsedMilliseconds, int done, int total);

// Tells the user of a long command how far it has got: the count, the item at hand and the time
// left. On a terminal one line is rewritten in place; elsewhere (a log, a pipe) each item gets a
// line of its own.
class ProgressReporter {
public:
    enum class Style { InPlace, Lines };
    using Clock = std::function<qint64()>;  // milliseconds on a clock that never goes back

    ProgressReporter(QIODevice& out, int total, Style style, Clock clock);
    ~ProgressReporter();

    // On standard error, in place when it is a terminal.
    static std::unique_ptr<ProgressReporter> onStandardError(int total);

    // Item number `count + 1` begins.
    void begin(const QString& item);
    // Ends the rewritten line, so that what follows starts on a line of its own.
    void finish();

private:
    QString line(const QString& item) const;

    std::unique_ptr<QFile> ownedOut_;
    QIODevice& out_;
    int total_;
    Style style_;
    Clock clock_;
    qint64 start_;
    int count_ = 0;
    bool lineOpen_ = false;
};

}  // namespace keysound::tools
