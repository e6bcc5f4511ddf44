// The serial ports the system reports (QtSerialPort, which needs only Qt
// Core), as the panel's list and camdeck-ctl's ports show them.
#pragma once

#include <QList>
#include <QString>

// Empty where the system does not know.
struct PortInfo {
    QString path;
    QString description;
    QString manufacturer;
    QString serialNumber;
};

// In the system's order, unsorted: the list a bench user sees in other serial tools.
QList<PortInfo> systemPorts();
