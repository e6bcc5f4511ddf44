#include "system.h"

#include <QSerialPortInfo>

namespace camdeck::ctl {

// In the system's order, as the panel's port list shows them.
std::vector<PortInfo> systemPorts()
{
    std::vector<PortInfo> ports;
    const auto available = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : available)
        ports.push_back({port.systemLocation().toStdString(), port.description().toStdString(),
                         port.manufacturer().toStdString(), port.serialNumber().toStdString()});
    return ports;
}

} // namespace camdeck::ctl
