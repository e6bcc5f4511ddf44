// The window: the controls (named after their outlets in the .ui file), the
// send queue that owns the port, and the units that turn the controls into
// commands. It wires them, opens ports and says in its status bar what the
// line is doing.
#pragma once

#include "link/sendqueue.h"
#include "panel/presetbank.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

class QLabel;
class QProgressBar;
class ControlBinding;
class DeviceList;
class JogPad;
class PanelService;
class QPushButton;
class SetupMenu;
class Reconnect;
class TrafficMonitor;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // extraDevices are listed in ttySelect after the ports the system reports.
    // The window comes back as it was closed (size, place, controls, the
    // port picked), unless reset: then with the built-in values.
    explicit MainWindow(const QStringList &extraDevices = {}, bool reset = false,
                        QWidget *parent = nullptr);
    ~MainWindow() override;

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
    camdeck::CameraPanel &camera();
    // The port is open and greeted.
    bool isConnected() const { return m_portState == PortState::Open; }

    enum class PortState { Closed, Opening, Open, Lost };
    PortState portState() const { return m_portState; }
    // The port open, opening or lost; "" when there is none.
    const QString &port() const { return m_port; }
    // What the device answered the greeting with when the port was opened.
    const camdeck::Bytes &greetingReply() const { return m_greetingReply; }
    // Farewell, the port's settings back, the port let go; the window waits
    // for no adapter to come back.
    void disconnectPort();
    // A change went nowhere, as no port is open: said, and the camera may now
    // lack a value the window shows.
    void noteNotSent();
    // Every control as it stands to the camera (Send all); said when no port is open.
    void sendAll();
    SetupMenu &setups() { return *m_setups; }

signals:
    void portStateChanged(PortState state, const QString &port);
    // Closing is over: the device has had its farewell and the line its old
    // settings. The window was hidden at once, so Qt does not count this as
    // its last window closing: whoever runs the program ends it on this.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpStatusBar();
    void setUpMenus();
    void restoreSettings(bool reset);
    void saveSettings() const;
    // The window shows what the camera may not have: a control off its
    // built-in value, a switch on, a text or a mask, a change not sent.
    bool holdsUnsent() const;
    void setPortState(PortState state, const QString &port);
    void ttyPicked();
    void openPort(const QString &path);
    void reconnectTo(const QString &path);
    void fitToContents();
    // On the session bus, once, after the first paint.
    void joinBus();
    void opened(const std::string &path, const camdeck::OpenResult &result,
                const camdeck::ReadResult &reply);
    void refusedToOpen(const QString &path, const camdeck::OpenResult &result, bool reconnected);
    void finishClosing();
    void lineFailed(const camdeck::SendQueue::Failure &failure);
    void setOpening(bool opening);
    void showProgress(const std::string &job, int done, int total);
    void queueIdle();

    std::unique_ptr<Ui::MainWindow> ui;
    QLabel *m_connectionStatus = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_lastCommandStatus = nullptr;
    QPushButton *m_sendAllOffer = nullptr;
    TrafficMonitor *m_traffic = nullptr;
    DeviceList *m_devices = nullptr;
    Reconnect *m_reconnect = nullptr;
    PortState m_portState = PortState::Closed;
    QString m_port;
    camdeck::Bytes m_greetingReply;
    bool m_opening = false;
    bool m_reconnecting = false;
    int m_opensPending = 0;
    bool m_closing = false;
    bool m_sized = false;
    bool m_onBus = false;
    bool m_closed = false;
    bool m_unsent = false;
    QByteArray m_savedGeometry;
    // Owns the port on a thread of its own; what it reports waits in its
    // outbox until this window's thread takes it.
    camdeck::SendQueue m_line;
    // The units that turn the controls into commands; the window owns them.
    ControlBinding *m_controls = nullptr;
    std::unique_ptr<camdeck::PresetBank> m_presets;
    JogPad *m_jog = nullptr;
    PanelService *m_service = nullptr;
    SetupMenu *m_setups = nullptr;
};
