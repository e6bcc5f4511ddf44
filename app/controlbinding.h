// The window's camera controls, built from the table as qv4l2 builds its
// controls from the driver's descriptions: every widget the table names takes
// its range, items, starting value and tooltip from its row, and reaches the
// panel through one path. The switches, mask buttons, centre button and text
// upload are wired here too.
#pragma once

#include "panel/camerapanel.h"

#include <QObject>
#include <QString>

#include <map>

class QLabel;
class QWidget;

class ControlBinding : public QObject, public camdeck::Controls {
    Q_OBJECT

public:
    ControlBinding(QWidget *window, camdeck::SendQueue &line, QObject *parent = nullptr);

    camdeck::CameraPanel &panel() { return m_panel; }

    int value(const camdeck::protocol::Control &control) const override;
    void set(const camdeck::protocol::Control &control, int value) override;
    void show(const camdeck::protocol::Control &control, const std::string &text) override;

signals:
    // A change that could not go out as asked ("the on-screen text takes ...").
    void refused(const QString &why);
    // A control took a new value: a user's change, a rule's, a recall's or a script's.
    void changed(const camdeck::protocol::Control &control, int value);

private:
    void build(const camdeck::protocol::Control &control);
    QWidget *widget(const camdeck::protocol::Control &control) const;

    QWidget *m_window;
    camdeck::CameraPanel m_panel;
    std::map<const camdeck::protocol::Control *, QWidget *> m_widgets;
    std::map<const camdeck::protocol::Control *, QLabel *> m_labels;
};
