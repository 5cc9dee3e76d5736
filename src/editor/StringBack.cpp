#include "editor/StringBack.h"

#include "editor/EditorText.h"
#include "platform/Error.h"

namespace keysound::editor {

QString getStringBack(const QString& St, const QString& sP)
{
    if (St.isEmpty())
        return QString(QLatin1String(""));
    const qsizetype p = St.lastIndexOf(sP, -1, Qt::CaseSensitive);
    if (p < 0)
        throw Error(ErrorNumber::InvalidArgument, EditorText::tr("Invalid procedure call or argument: \"%1\" holds no "
                                                                 "\"%2\".")
                                                      .arg(St, sP));
    QString piece = St.mid(p);
    piece.remove(QLatin1Char('\\'));
    return piece;
}

}  // namespace keysound::editor
