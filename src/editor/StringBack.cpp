#include "editor/StringBack.h"

#include "platform/Error.h"

#include <QCoreApplication>

namespace keysound::editor {

QString getStringBack(const QString& St, const QString& sP)
{
    if (St.isEmpty())
        return QString(QLatin1String(""));
    const qsizetype p = St.lastIndexOf(sP, -1, Qt::CaseSensitive);
    if (p < 0)
        throw Error(ErrorNumber::InvalidArgument,
                    QCoreApplication::translate("StringBack", "Invalid procedure call or argument: \"%1\" holds no "
                                                              "\"%2\".")
                        .arg(St, sP));
    QString piece = St.mid(p);
    piece.remove(QLatin1Char('\\'));
    return piece;
}

}  // namespace keysound::editor
