// The serial-device pop-up: the placeholder, the ports the system reports in
// its order, then the paths given with --device. It follows hot-plug by
// watching /dev (inotify, no polling) and keeps the user's selection.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <functional>

class QComboBox;

class DeviceList : public QObject {
    Q_OBJECT

public:
    using PortLister = std::function<QStringList()>;

    // The system's ports, as QSerialPortInfo reports them.
    static QStringList systemPorts();

    DeviceList(QComboBox *ttySelect, const QStringList &extraDevices,
               PortLister lister = &DeviceList::systemPorts,
               const QString &watchedDirectory = QStringLiteral("/dev"));

    // Rebuilds the list; opens nothing and fires no action.
    void refresh();

private:
    QComboBox *m_ttySelect;
    QStringList m_extraDevices;
    PortLister m_lister;
    QFileSystemWatcher m_watcher;
};
