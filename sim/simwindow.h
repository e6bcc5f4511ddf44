// The simulator's window: the picture, the motor drive, the register map with
// recent changes highlighted, and the decoded traffic.
#pragma once

#include "registermodel.h"

#include <QHash>
#include <QMainWindow>
#include <QTimer>

class QLabel;
class QPlainTextEdit;
class QTableWidget;

namespace camdeck::sim {

class PictureWidget;
class PtyDevice;

class SimWindow : public QMainWindow {
    Q_OBJECT

public:
    SimWindow(RegisterModel &model, const PtyDevice &device, QWidget *parent = nullptr);

private:
    void addTraffic(const QString &line, bool rejected);
    void refreshRegisters();
    void highlightRecent();
    void tick();

    RegisterModel &m_model;
    const PtyDevice &m_device;
    PictureWidget *m_picture = nullptr;
    QLabel *m_motor = nullptr;
    QTableWidget *m_registers = nullptr;
    QPlainTextEdit *m_traffic = nullptr;
    // When each register last changed, in the model's milliseconds.
    QHash<int, qint64> m_changedAt;
    QTimer m_ticker;
};

} // namespace camdeck::sim
