// The jog pad of the motor drive: four moves and a stop, from the buttons or
// the keyboard, the travel of the last move with the running total, and the
// speed readout.
#pragma once

#include "panel/camerapanel.h"

#include <QObject>

class QLineEdit;
class QPushButton;
class QWidget;

class JogPad : public QObject {
    Q_OBJECT

public:
    JogPad(QWidget *window, camdeck::CameraPanel &camera, QObject *parent = nullptr);

    // As Stop does: the drive's answer goes to the readouts, and to also.
    void stop(camdeck::CameraPanel::TravelHandler also = {});
    // The drive said how far the last move went.
    void showTravel(int travel);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    camdeck::CameraPanel &m_camera;
    QPushButton *m_buttons[5]; // by direction code
    QLineEdit *m_lastMove;
    QLineEdit *m_total;
};
