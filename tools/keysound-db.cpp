// keysound-db: creates, imports and checks mapping databases from the command line.
#include "DbTool.h"
#include "platform/Language.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Beyond the file-size limit a write then fails (EFBIG) and is reported like a full disk,
    // instead of the signal ending the tool halfway through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication application(argc, argv);
    keysound::platform::installTranslations(keysound::platform::messageLanguage());
    QTextStream err(stderr);
    QString output;
    int status = 0;
    {
        QTextStream out(&output);
        status = keysound::tools::runDbTool(application.arguments().mid(1), out, err);
    }  // the stream flushes into output when it goes
    return keysound::tools::finishStandardOutput(output, status, err);
}
