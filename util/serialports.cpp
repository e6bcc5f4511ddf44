#include "serialports.h"

#include <QSerialPortInfo>

QList<PortInfo> systemPorts()
{
    QList<PortInfo> ports;
    const auto available = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : available)
        ports.append(
            {port.systemLocation(), port.description(), port.manufacturer(), port.serialNumber()});
    return ports;
}
