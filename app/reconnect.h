// Getting a pulled adapter back without the user's help. While a port is open
// it watches /dev and the folder of the path that was opened (/dev/serial/by-id
// for a by-id name, or wherever a user made a link), through inotify, and says
// when that path no longer leads to the device that was opened. Once the port
// is lost it watches the same places for the same adapter to come back: the
// same /dev/serial/by-id name or serial number, even under another ttyUSB
// number; for a port with neither (built in, or reached through a link), the
// same path. A pseudo-terminal's own /dev/pts number is never waited for: the
// system hands it to the next program that asks for one.
#pragma once

#include "devicelist.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>

class Reconnect : public QObject {
    Q_OBJECT

public:
    explicit Reconnect(QObject *parent = nullptr, DeviceList::PortLister lister = &systemPorts,
                       const QString &deviceDirectory = QStringLiteral("/dev"),
                       const QString &byIdDirectory = QStringLiteral("/dev/serial/by-id"));

    // path is open; ports is what the system said of its ports lately, which
    // tells the adapter's serial number.
    void opened(const QString &path, const QList<PortInfo> &ports);
    // The port last opened is lost, or could not be opened again: wait for
    // it. False when nothing tells its adapter (a bare /dev/pts number).
    bool lost();
    // Another port was picked, or the window closes: stop watching and waiting.
    void cancel();

signals:
    // The path of the open port no longer leads to its device.
    void gone(const QString &path);
    // The lost adapter is back, at path.
    void cameBack(const QString &path);

private:
    enum class State { Idle, Watching, Waiting };
    void watchFolders();
    void changed();
    void lookAgain(bool onlyElsewhere);
    QString whereItIs() const;
    QString preferred(const QString &node) const;

    DeviceList::PortLister m_lister;
    QString m_deviceDirectory;
    QString m_byIdDirectory;
    State m_state = State::Idle;
    QString m_path;
    QString m_node;
    QString m_serialNumber;
    QStringList m_byIdNames;
    bool m_pathIsIdentity = false;
    bool m_goneSaid = false;
    QFileSystemWatcher m_watcher;
};
