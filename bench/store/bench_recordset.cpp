// The editor's recordset over a large table: opening, writing a batch of edits, navigating.
#include "BenchSupport.h"

#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Statements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace keysound;
using namespace keysound::store;

namespace {

constexpr int Rows = 100000;

ConnectionPtr connect(const QString& folder)
{
    auto connection = std::make_shared<Connection>();
    connection->CursorLocation = adUseClient;
    connection->Open(connectionStringFor(folder));
    return connection;
}

void printPerCall(const char* label, int calls, const std::function<void(int)>& call)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < calls; ++i)
        call(i);
    std::printf("  %-58s %9.1f ns per call (%d calls)\n", label, double(timer.nsecsElapsed()) / calls, calls);
}

void navigation(Recordset& recordset)
{
    printPerCall("MoveFirst", Rows, [&](int) { recordset.MoveFirst(); });
    printPerCall("MoveLast", Rows, [&](int) { recordset.MoveLast(); });
    recordset.MoveFirst();
    printPerCall("MoveNext (through every row)", Rows - 1, [&](int) { recordset.MoveNext(); });
    printPerCall("MovePrevious (back through every row)", Rows - 1, [&](int) { recordset.MovePrevious(); });
    printPerCall("setCurrentRow (grid pick, alternating ends)", Rows,
                 [&](int i) { recordset.setCurrentRow(i % 2 ? 0 : Rows - 1); });
    recordset.MoveLast();
    const QVariant last = recordset.Bookmark();
    recordset.MoveFirst();
    const QVariant first = recordset.Bookmark();
    printPerCall("setBookmark (alternating ends)", Rows, [&](int i) { recordset.setBookmark(i % 2 ? first : last); });
    printPerCall("AbsolutePosition + BOF + EOF + RecordCount", Rows, [&](int) {
        volatile int sink = recordset.AbsolutePosition() + recordset.BOF() + recordset.EOF_() + recordset.RecordCount();
        (void)sink;
    });
    printPerCall("Value(\"文件名\")", Rows, [&](int) { recordset.Value(QStringLiteral("文件名")); });
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("bench_recordset: \"select * from Config\" over %d mappings\n", Rows);
    bench::MappingFolder folder(Rows);
    const ConnectionPtr connection = connect(folder.path());

    bench::print(QStringLiteral("Open (fresh connection, fetch every row)"), bench::measure(15, [&](int) {
                     Recordset recordset;
                     recordset.Open(editorStatement(), connect(folder.path()));
                 }));

    Recordset recordset;
    recordset.Open(editorStatement(), connection);
    bench::print(QStringLiteral("Requery"), bench::measure(15, [&](int) { recordset.Requery(); }));

    bench::print(QStringLiteral("UpdateBatch of 1,000 pending edits (spread over the table)"),
                 bench::measure(15, [&](int sample) {
                     for (int k = 0; k < 1000; ++k)
                         recordset.setValueAt(k * (Rows / 1000), 1, QStringLiteral("edit%1-%2.mp3").arg(sample).arg(k));
                     recordset.UpdateBatch(adAffectAll);
                 }));
    std::printf("  (the UpdateBatch figure includes the 1,000 setValueAt calls that make the edits)\n");

    bench::print(QStringLiteral("AddNew + 2 values + UpdateBatch"), bench::measure(15, [&](int sample) {
                     recordset.AddNew();
                     recordset.setValue(QStringLiteral("键位"), QStringLiteral("new%1").arg(sample));
                     recordset.setValue(QStringLiteral("文件名"), QStringLiteral("new.mp3"));
                     recordset.UpdateBatch(adAffectAll);
                 }));
    bench::print(QStringLiteral("Delete of a middle row"), bench::measure(15, [&](int sample) {
                     recordset.setCurrentRow(Rows / 2 + sample);
                     recordset.Delete(adAffectCurrent);
                 }));

    recordset.Requery();
    navigation(recordset);
    return 0;
}
