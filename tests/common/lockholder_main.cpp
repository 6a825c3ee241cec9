// Another program holding a dashboard's lock, for the tests: takes the lock
// of the directory it is given as Tolvane takes it, says "held", and lets go
// when its input is closed (or when it is killed).

#include "store/dashboardlock.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2)
        return 2;
    tolvane::DashboardLock lock(arguments.at(1));
    if (!lock.acquire(0))
        return 1;
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
    return 0;
}
