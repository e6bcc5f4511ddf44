// The window: owns the controls (named after their outlets in the .ui file),
// the send queue and the units that turn the controls into commands. It only
// wires, and says in its status bar what the line is doing.
#pragma once

#include "link/sendqueue.h"
#include "presets/presetslot.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

class QLabel;
class DeviceList;
class Reconnect;
class TextCountdown;

namespace Ui {
class WindowController;
}
class JogPad;
class PresetPanel;
class TrafficMonitor;
class WidgetControls;

class WindowController : public QMainWindow {
    Q_OBJECT

public:
    // extraDevices are listed in ttySelect after the ports the system reports.
    explicit WindowController(const QStringList &extraDevices = {}, QWidget *parent = nullptr);
    ~WindowController() override;

    // Once, before the first window: the application's style, less the menu
    // bar's overflow icon, whose lookup loads the image plugins at start-up.
    static void prepareApplication();

    // Lists path in ttySelect after the system's ports, described as description
    // ("Simulated camera"); as --device and --simulate do.
    void listDevice(const QString &path, const QString &description = {});
    // Opens path as if the user had picked it in ttySelect, listing it first
    // when it is not; as --open and --simulate do.
    void openDevice(const QString &path);

    camdeck::SendQueue &line() { return m_line; }
    // The port is open and greeted.
    bool isConnected() const { return !m_openPath.isEmpty(); }

    void InitialiseSlots();
    // The exposure and gain settings last applied, which a save stores.
    const camdeck::ExposureState &exposureState() const { return m_exposureState; }

signals:
    // Closing is over: the device has had its farewell and the line its old
    // settings. The window was hidden at once, so Qt does not count this as
    // its last window closing: whoever runs the program ends it on this.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void awakeFromNib(const QStringList &extraDevices);
    void ttyPicked();
    void openPort(const QString &path);
    void reconnectTo(const QString &path);
    void fitToContents();
    void opened(const std::string &path, const camdeck::OpenResult &result,
                const camdeck::ReadResult &reply);
    void windowWillClose();
    void finishClosing();
    void lineFailed(const camdeck::SendQueue::Failure &failure);
    void setOpening(bool opening);
    void showProgress(const std::string &job, int done, int total);
    void queueIdle();

    std::unique_ptr<Ui::WindowController> ui;
    QLabel *m_connectionStatus = nullptr;
    QLabel *m_lastCommandStatus = nullptr;
    TrafficMonitor *m_traffic = nullptr;
    DeviceList *m_devices = nullptr;
    Reconnect *m_reconnect = nullptr;
    TextCountdown *m_textCountdown = nullptr; // the text entry owns it
    QString m_openPath;
    bool m_opening = false;
    bool m_reconnecting = false;
    int m_opensPending = 0;
    bool m_closing = false;
    bool m_sized = false;
    bool m_closed = false;
    // Owns the port on a thread of its own; what it reports waits in its
    // outbox until this window's thread takes it.
    camdeck::SendQueue m_line;
    camdeck::ExposureState m_exposureState;
    // The units that turn the controls into commands; the window owns them.
    WidgetControls *m_controls = nullptr;
    JogPad *m_jog = nullptr;
    PresetPanel *m_presets = nullptr;
};
