// Opening the editor on 100k mappings, saving 1,000 pending edits, and each navigation command
// at 100k rows. Prints medians; run with QT_QPA_PLATFORM=offscreen.
#include "ScriptedDialogs.h"
#include "TestAppFolder.h"
#include "editor/frmConfig.h"
#include "store/Recordset.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using keysound::editor::frmConfig;
using keysound::test::ScriptedDialogs;

namespace {
constexpr int Mappings = 100000;

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double millisecondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

void report(const char* what, const std::vector<double>& samples, double limit)
{
    const double m = median(samples);
    std::printf("%-44s median %8.3f ms  max %8.3f ms  (limit %g ms) %s\n", what, m,
                *std::max_element(samples.begin(), samples.end()), limit, m <= limit ? "ok" : "OVER");
}

std::vector<double> openingTimes(ScriptedDialogs& dialogs, int runs)
{
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        frmConfig window(dialogs);
        samples.push_back(millisecondsOf([&] {
            window.Show(0);
            QApplication::processEvents();
        }));
        window.close();
    }
    return samples;
}

std::vector<double> updateTimes(ScriptedDialogs& dialogs, int runs)
{
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        frmConfig window(dialogs);
        window.Show(0);
        window.cmdEdit->click();
        for (int row = 0; row < 1000; ++row)
            window.adoPrimaryRS->setValueAt(row * 97, 1, QStringLiteral("edit%1-%2.mp3").arg(run).arg(row));
        samples.push_back(millisecondsOf([&] { window.cmdUpdate->click(); }));
        window.close();
    }
    return samples;
}

void navigationTimes(ScriptedDialogs& dialogs)
{
    frmConfig window(dialogs);
    window.Show(0);
    QApplication::processEvents();
    const std::pair<const char*, QPushButton*> commands[] = {{"cmdFirst_Click at 100k rows", window.cmdFirst},
                                                             {"cmdLast_Click at 100k rows", window.cmdLast},
                                                             {"cmdNext_Click at 100k rows", window.cmdNext},
                                                             {"cmdPrevious_Click at 100k rows", window.cmdPrevious}};
    for (const auto& [name, button] : commands) {
        std::vector<double> samples, repainted;
        for (int i = 0; i < 200; ++i) {
            window.adoPrimaryRS->setCurrentRow(Mappings / 4 + i * 97);  // every click really moves
            QApplication::processEvents();
            samples.push_back(millisecondsOf([&] { button->click(); }));
            window.adoPrimaryRS->setCurrentRow(Mappings / 4 + i * 97);
            QApplication::processEvents();
            repainted.push_back(millisecondsOf([&] {
                button->click();
                window.repaint();
            }));
        }
        report(name, samples, 1.0);
        report((std::string(name) + ", with repaint").c_str(), repainted, 1.0);
    }
    std::vector<double> atEnd;
    for (int i = 0; i < 50; ++i) {
        window.adoPrimaryRS->MoveLast();
        atEnd.push_back(millisecondsOf([&] { window.cmdNext->click(); }));  // beep and back
    }
    report("cmdNext_Click on the last of 100k rows", atEnd, 1.0);
}
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ScriptedDialogs dialogs;  // beeps are counted, not sounded
    keysound::test::TestAppFolder folder;
    folder.addMappings(Mappings);
    std::printf("editor benchmark, %d mappings\n", Mappings);
    report("open editor (load + show + first event pass)", openingTimes(dialogs, 11), 300);
    report("Update of 1,000 pending changes", updateTimes(dialogs, 7), 100);
    navigationTimes(dialogs);
    for (const QString& message : dialogs.messages)
        std::fprintf(stderr, "message: %s\n", qPrintable(message));
    return 0;
}
