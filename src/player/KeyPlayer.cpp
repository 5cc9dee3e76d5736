#include "player/KeyPlayer.h"

#include "audio/CommandService.h"
#include "audio/ShortPath.h"
#include "platform/AnsiText.h"
#include "platform/AppFolder.h"
#include "platform/FileServices.h"
#include "platform/TableFolder.h"
#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "store/Statements.h"

namespace keysound::player {

namespace {
constexpr int ShortPathBufferLength = 255;

struct Lookup {
    bool found = false;
    QString fileName;  // of the first matching row; "" when it holds NULL
};

// A fresh connection and recordset of its own, released when the lookup returns.
Lookup lookUp(const QString& appFolder, const QString& keyText, store::LegacyImportObserver* importObserver)
{
    auto connection = std::make_shared<store::Connection>(importObserver);
    connection->CursorLocation = store::adUseClient;
    connection->Mode = store::adModeRead;  // the main window never writes to the store
    connection->Open(store::connectionStringFor(appFolder), QString(), QString(), store::adConnectUnspecified);

    store::Recordset recordset;
    recordset.Open(store::keyLookupStatement(keyText), connection, store::adOpenStatic, store::adLockOptimistic,
                   store::adCmdUnspecified);
    if (recordset.RecordCount() < 1)
        return {};
    return {true, recordset.Value(store::schema::FileColumn).toString()};
}
}  // namespace

KeyPlayer::KeyPlayer(audio::CommandService& mediaCommands, store::LegacyImportObserver* importObserver)
    : mediaCommands_(mediaCommands)
    , importObserver_(importObserver)
{}

QByteArray KeyPlayer::ShortPathName(const QByteArray& strPathName)
{
    QByteArray buffer(ShortPathBufferLength, '\0');
    const int length = audio::getShortPathName(strPathName, buffer.data(), ShortPathBufferLength - 1);
    return buffer.left(length);
}

void KeyPlayer::sendMediaCommand(const QByteArray& verb)
{
    mediaCommands_.sendString(verb + ShortPathName(lastSound_.ansiPath));
}

void KeyPlayer::stopLastSound()
{
    if (platform::isNormalFile(lastSound_.nativePath))
        sendMediaCommand(QByteArrayLiteral("stop "));
}

bool KeyPlayer::playKey(const QString& keyText)
{
    const QString appFolder = platform::appFolder();
    const Lookup lookup = lookUp(appFolder, keyText, importObserver_);
    if (!lookup.found)
        return false;
    const platform::TableFolder folder(appFolder);
    lastSound_.pathText = folder.soundPathText(lookup.fileName);
    lastSound_.nativePath = folder.soundNativePath(lookup.fileName);
    lastSound_.ansiPath = platform::toAnsi(lastSound_.pathText);
    if (platform::isNormalFile(lastSound_.nativePath))
        sendMediaCommand(QByteArrayLiteral("play "));
    return true;
}

}  // namespace keysound::player
