// The window: owns the controls (named after their outlets in the .ui file),
// the serial line and the units that turn the controls into commands. It only
// wires; each unit reads its controls, builds its bytes and updates its labels.
#pragma once

#include "link/sendqueue.h"
#include "presets/presetslot.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

class QLabel;
class DeviceList;
class Reconnect;

namespace Ui {
class WindowController;
}
class PicturePanel;
class PositionsPanel;
class MaskPanel;
class JogPad;
class ExposurePanel;
class GainColourPanel;
class PresetPanel;
class TrafficMonitor;

class WindowController : public QMainWindow {
    Q_OBJECT

public:
    // extraDevices are listed in ttySelect after the ports the system reports.
    explicit WindowController(const QStringList &extraDevices = {}, QWidget *parent = nullptr);
    ~WindowController() override;

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
    void opened(const QString &path, const camdeck::OpenResult &result,
                const camdeck::ReadResult &reply);
    void windowWillClose();
    void finishClosing();
    void portLost(const QString &path, int error);
    void setOpening(bool opening);
    void showProgress(const QString &job, int done, int total);
    void queueIdle();

    std::unique_ptr<Ui::WindowController> ui;
    QLabel *m_connectionStatus = nullptr;
    QLabel *m_lastCommandStatus = nullptr;
    TrafficMonitor *m_traffic = nullptr;
    DeviceList *m_devices = nullptr;
    Reconnect *m_reconnect = nullptr;
    QString m_openPath;
    bool m_opening = false;
    bool m_reconnecting = false;
    int m_opensPending = 0;
    bool m_closing = false;
    bool m_sized = false;
    bool m_closed = false;
    // Owns the port on a thread of its own; what it reports comes back to this
    // window's thread.
    camdeck::SendQueue m_line;

    // After the controls and the line they use, so these units go first.
    std::unique_ptr<PicturePanel> m_picture;
    std::unique_ptr<PositionsPanel> m_positions;
    std::unique_ptr<MaskPanel> m_masks;
    std::unique_ptr<JogPad> m_jog;

    camdeck::ExposureState m_exposureState;
    std::unique_ptr<ExposurePanel> m_exposure;
    std::unique_ptr<GainColourPanel> m_gainColour;
    std::unique_ptr<PresetPanel> m_presets;
};
