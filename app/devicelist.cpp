#include "devicelist.h"

#include <QComboBox>
#include <QSerialPortInfo>
#include <QSignalBlocker>

namespace {
const QString noDeviceTitle = QStringLiteral("Select Serial Device");
}

QStringList DeviceList::systemPorts()
{
    QStringList paths;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports)
        paths << port.systemLocation();
    return paths;
}

DeviceList::DeviceList(QComboBox *ttySelect, const QStringList &extraDevices, PortLister lister,
                       const QString &watchedDirectory)
    : QObject(ttySelect)
    , m_ttySelect(ttySelect)
    , m_extraDevices(extraDevices)
    , m_lister(std::move(lister))
{
    refresh();
    m_watcher.addPath(watchedDirectory);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DeviceList::refresh);
}

void DeviceList::refresh()
{
    // The system's order, unsorted: the list a bench user sees in other serial tools.
    QStringList items{noDeviceTitle};
    items << m_lister() << m_extraDevices;

    QStringList shown;
    for (int i = 0; i < m_ttySelect->count(); ++i)
        shown << m_ttySelect->itemText(i);
    if (shown == items)
        return;

    const QString current = m_ttySelect->currentText();
    const QSignalBlocker quiet(m_ttySelect);
    m_ttySelect->clear();
    m_ttySelect->addItems(items);
    // A port that went away leaves the placeholder selected; the line itself
    // is not touched (a pulled adapter is noticed at its next write or read).
    m_ttySelect->setCurrentIndex(std::max(0, static_cast<int>(items.indexOf(current))));
}
