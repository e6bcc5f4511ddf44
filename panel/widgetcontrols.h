// The window's controls for the camera panel, built from the table as qv4l2
// builds its controls from the driver's descriptions: every widget the table
// names takes its range, items, starting value and tooltip from its row and
// is connected to the panel's one write path.
#pragma once

#include "camerapanel.h"

#include <QObject>
#include <QString>

#include <map>

class QWidget;
class QLabel;

class WidgetControls : public QObject, public camdeck::Controls {
    Q_OBJECT

public:
    WidgetControls(QWidget *window, camdeck::SendQueue &line, camdeck::ExposureState &state,
                   QObject *parent = nullptr);

    camdeck::CameraPanel &panel() { return m_panel; }

    int value(const camdeck::protocol::Control &control) const override;
    void set(const camdeck::protocol::Control &control, int value) override;
    void show(const camdeck::protocol::Control &control, const std::string &text) override;

private:
    void build(const camdeck::protocol::Control &control);
    QWidget *widget(const camdeck::protocol::Control &control) const;

    QWidget *m_window;
    camdeck::CameraPanel m_panel;
    std::map<const camdeck::protocol::Control *, QWidget *> m_widgets;
    std::map<const camdeck::protocol::Control *, QLabel *> m_labels;
};
