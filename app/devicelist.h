// The serial-device pop-up: the placeholder, the ports the system reports in
// its order, then the paths given with --device or --open. Each item says what
// the adapter is, as far as the system knows (description, maker, serial
// number), and ends with its path; the path alone is the item's data, and that
// is what gets opened. The system is first asked for its ports once the window
// has been painted: it goes through udev, which is slow to start. Hot-plug is
// followed by watching /dev (inotify, no polling), and the user's selection is
// kept across changes.
#pragma once

#include "util/serialports.h"

#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;

class DeviceList : public QObject {
    Q_OBJECT

public:
    using PortLister = std::function<QList<PortInfo>()>;

    // What is known of the port, then its path: "FT232R USB UART — FTDI — A12345 — /dev/ttyUSB0".
    static QString itemText(const PortInfo &port);

    DeviceList(QComboBox *ttySelect, const QStringList &extraDevices,
               PortLister lister = &systemPorts,
               const QString &watchedDirectory = QStringLiteral("/dev"));

    // Lists path after the system's ports, once, described as description.
    void addDevice(const QString &path, const QString &description = {});
    // Makes path the current item, now or as soon as it is listed; opens nothing.
    void select(const QString &path);
    // The system's ports as last listed (none before the first listing).
    const QList<PortInfo> &systemPortsListed() const { return m_ports; }

    // Asks the system for its ports and rebuilds the list; opens nothing and
    // fires no action.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rebuild();

    QComboBox *m_ttySelect;
    QList<PortInfo> m_extras;
    QList<PortInfo> m_ports;
    // What the user (or select()) last chose; it comes back when its port does.
    QString m_selected;
    PortLister m_lister;
    QString m_watchedDirectory;
    QFileSystemWatcher m_watcher;
    bool m_listed = false;
};
