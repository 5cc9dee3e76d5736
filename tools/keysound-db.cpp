// keysound-db: creates, imports and checks mapping databases from the command line.
#include "DbTool.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = keysound::tools::runDbTool(application.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
