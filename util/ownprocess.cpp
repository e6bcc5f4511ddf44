#include "ownprocess.h"

#include <QByteArray>
#include <QFile>
#include <QtGlobal>

#include <unistd.h>
#include <vector>

long long statusKilobytes(const char *key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    const QByteArray status = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qsizetype at = status.indexOf(key);
    return at < 0 ? -1 : status.mid(at + qstrlen(key)).trimmed().split(' ')[0].toLongLong();
}

bool onASessionBus(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return false;
    char runSession[] = "dbus-run-session", dashes[] = "--";
    std::vector<char *> command{runSession, dashes, self};
    command.insert(command.end(), argv + 1, argv + argc);
    command.push_back(nullptr);
    ::execvp(command[0], command.data());
    return false;
}
