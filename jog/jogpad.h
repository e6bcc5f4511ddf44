// The jog pad of the motor drive: four moves and a stop, the travel of the last
// move with the running total, and the speed readout.
#pragma once

#include "protocol/jog.h"

#include <QObject>

#include <chrono>

class QPushButton;
namespace Ui {
class WindowController;
}
namespace camdeck {
class SendQueue;
}

class JogPad : public QObject {
    Q_OBJECT

public:
    JogPad(Ui::WindowController &ui, camdeck::SendQueue &line, QObject *parent = nullptr);

    void goRight();
    void goLeft();
    void goBack();
    void goForward();
    void goStop();
    void speedChange(int value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void move(QPushButton *button, camdeck::JogDirection direction);
    void showTravel(int travel);

    Ui::WindowController &m_ui;
    camdeck::SendQueue &m_line;
};
