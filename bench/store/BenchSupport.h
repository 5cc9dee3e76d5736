#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <vector>

namespace keysound::bench {

// The key stored for mapping i: mostly ASCII words, every 10th a Cyrillic word of three
// letters with case, two in every 50 longer ones of 7 and 13 (too many spellings to list).
QString storedKey(int i);
bool isShortCyrillicKey(int i);
bool isLongCyrillicKey(int i);
bool isVeryLongCyrillicKey(int i);

// An application folder in a temporary directory holding db1.mdb with `rows` mappings.
class MappingFolder {
public:
    explicit MappingFolder(int rows);
    QString path() const { return dir_.path(); }
    QString databasePath() const { return dir_.filePath(QStringLiteral("db1.mdb")); }

private:
    QTemporaryDir dir_;
};

struct Figures {
    double medianMs = 0;
    double p95Ms = 0;
};

// Times `run` once per sample (after `warmUps` calls) and summarises in milliseconds.
Figures measure(int samples, const std::function<void(int sample)>& run, int warmUps = 3);
void print(const QString& label, const Figures& figures);

}  // namespace keysound::bench
