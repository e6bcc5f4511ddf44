#include "windowcontroller.h"
#include "ui_windowcontroller.h"

#include "devicelist.h"
#include "jog/jogpad.h"
#include "panel/widgetcontrols.h"
#include "presets/presetpanel.h"
#include "reconnect.h"
#include "textcountdown.h"
#include "trafficmonitor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLocale>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QMessageBox>
#include <QProxyStyle>
#include <QScreen>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>

#include <cstring>
#include <utility>

Q_LOGGING_CATEGORY(lcLink, "camdeck.link")

namespace {

// The device's greeting reply as the log shows it: a C string, so a zero byte ends it.
QByteArray replyText(const camdeck::Bytes &reply)
{
    const auto *begin = reinterpret_cast<const char *>(reply.data());
    return QByteArray(begin, static_cast<qsizetype>(::strnlen(begin, reply.size())));
}

// What the user is told about a port that could not be opened: the system's
// text, and where it helps, what is wrong and what to do about it.
std::string describeOpenFailure(const camdeck::OpenResult &result)
{
    const std::string system = std::strerror(result.error);
    switch (result.reason) {
    case camdeck::OpenResult::Opened:
        return {};
    case camdeck::OpenResult::InUse:
        return "The port is in use by another program (" + system + ").";
    case camdeck::OpenResult::NotATerminal:
        return system + ".\nThis is not a serial device; nothing was written to it.";
    case camdeck::OpenResult::SettingsNotTaken:
        return "The port did not take the settings the camera needs (raw 9600 baud, 8 data "
               "bits, no parity, 1 stop bit, no flow control); it was left as it was.";
    case camdeck::OpenResult::OpenFailed:
        if (result.error == EBUSY)
            return "The port is in use by another program (" + system + ").";
        if (result.error == EACCES)
            return system
                + ".\nOn Linux a serial port belongs to a group, usually dialout: add "
                  "yourself with 'sudo usermod -aG dialout $USER' and log in again.";
        return system;
    case camdeck::OpenResult::SettingsFailed:
        return system;
    }
    return system;
}

// The reply as the status bar shows it: its bytes in hex, and the text beside
// them when every byte is printable. A long reply is cut, as the bar is one line.
QString replyBytes(const camdeck::Bytes &reply)
{
    constexpr std::size_t shown = 16;
    QStringList hex;
    QString text;
    bool printable = true;
    for (std::size_t i = 0; i < reply.size(); ++i) {
        printable = printable && reply[i] >= 0x20 && reply[i] < 0x7F;
        if (i < shown) {
            hex << QStringLiteral("%1").arg(reply[i], 2, 16, QLatin1Char('0')).toUpper();
            text += QLatin1Char(static_cast<char>(reply[i]));
        }
    }
    QString said = hex.join(QLatin1Char(' '));
    if (reply.size() > shown) {
        said += QStringLiteral(" … (%1 bytes)").arg(reply.size());
        text += QStringLiteral("…");
    }
    if (printable)
        said += QStringLiteral(" \"%1\"").arg(text);
    return said;
}

// The menu bar asks its style for the overflow button's icon as it is built,
// and Qt reads that icon through its image plugins (gif, ico, jpeg and
// libjpeg loaded before the first paint). The View menu never overflows.
class PanelStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option,
                       const QWidget *widget) const override
    {
        if (icon == SP_ToolBarHorizontalExtensionButton)
            return {};
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

} // namespace

void WindowController::prepareApplication()
{
    QApplication::setStyle(new PanelStyle);
}

WindowController::WindowController(const QStringList &extraDevices, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::WindowController>())
    , m_line(camdeck::SendQueue::Reporting::ToOwner)
{
    ui->setupUi(this);
    awakeFromNib(extraDevices);

    m_controls = new WidgetControls(this, m_line, m_exposureState, this);
    m_jog = new JogPad(*ui, m_line, this);
    m_presets = new PresetPanel(*ui, m_line, m_exposureState, m_controls->panel(), this);

    connect(ui->ttySelect, &QComboBox::activated, this, &WindowController::ttyPicked);
    connect(m_reconnect, &Reconnect::cameBack, this, &WindowController::reconnectTo);
    // The queue owns the line: it lets go of it and says the port is lost.
    connect(m_reconnect, &Reconnect::gone, this,
            [this](const QString &path) { m_line.lose(path.toStdString()); });
    connect(m_traffic, &TrafficMonitor::commandSent, m_lastCommandStatus,
            [this](const QString &c) { m_lastCommandStatus->setText(tr("Sent: %1").arg(c)); });
    connect(m_presets, &PresetPanel::saveFailed, m_lastCommandStatus,
            [this](int slot, const QString &reason) {
                m_lastCommandStatus->setText(
                    tr("Preset %1 not saved: %2").arg(slot + 1).arg(reason));
            });

    camdeck::SendQueue::Reports reports;
    reports.opened = [this](const auto &...report) { opened(report...); };
    reports.closed = [this] { finishClosing(); };
    reports.failed = [this](const auto &failure) { lineFailed(failure); };
    reports.tap = [this](const auto &...bytes) { m_traffic->record(bytes...); };
    reports.progress = [this](const auto &...progress) { showProgress(progress...); };
    reports.idle = [this] { queueIdle(); };
    m_line.setReports(std::move(reports));
    // What the queue's thread reports waits in its outbox until this thread takes it.
    auto *reportsWaiting = new QSocketNotifier(m_line.reportFd(), QSocketNotifier::Read, this);
    connect(reportsWaiting, &QSocketNotifier::activated, this, [this] { m_line.takeReports(); });
}

WindowController::~WindowController() = default;

void WindowController::awakeFromNib(const QStringList &extraDevices)
{
    ui->speedCur->setText(QStringLiteral("45"));

    m_devices = new DeviceList(ui->ttySelect, extraDevices);
    m_reconnect = new Reconnect(this);

    // The camera shows 24 characters, one UTF-16 unit each: no more go out.
    m_textCountdown = new TextCountdown(ui->textstringSelect, camdeck::protocol::textPositions);

    const QLocale locale;
    ui->totalDist->setText(locale.toString(0));
    ui->mmDistance->setText(locale.toString(0));

    QSizePolicy keepPlace = ui->fileOpening->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    ui->fileOpening->setSizePolicy(keepPlace);
    ui->fileOpening->hide();

    m_connectionStatus = new QLabel(tr("No port"), this);
    m_connectionStatus->setObjectName(QStringLiteral("connectionStatus"));
    // A long path or reply is cut at the window's edge rather than widening it.
    m_connectionStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_connectionStatus, 1);
    m_lastCommandStatus = new QLabel(this);
    m_lastCommandStatus->setObjectName(QStringLiteral("lastCommandStatus"));
    statusBar()->addPermanentWidget(m_lastCommandStatus);

    m_traffic = new TrafficMonitor(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_traffic);
    m_traffic->hide();
    QAction *showTraffic = m_traffic->toggleViewAction();
    showTraffic->setObjectName(QStringLiteral("showTrafficMonitor"));
    showTraffic->setText(tr("&Traffic monitor"));
    menuBar()->addMenu(tr("&View"))->addAction(showTraffic);
}

// The size the panel needs, within the screen: the scroll area offers only a
// few hundred pixels of itself, and scrolls only where the screen is smaller.
// Known once the controls are shown, just before the window is.
void WindowController::showEvent(QShowEvent *event)
{
    if (!m_sized) {
        m_sized = true;
        fitToContents();
    }
    QMainWindow::showEvent(event);
}

void WindowController::fitToContents()
{
    const int frame = 2 * ui->panelScroll->frameWidth();
    const QSize panel = ui->panelContents->sizeHint() + QSize(frame, frame);
    const QSize wanted = sizeHint() - ui->panelScroll->sizeHint() + panel;
    resize(wanted.boundedTo(screen()->availableSize()));
}

void WindowController::listDevice(const QString &path, const QString &description)
{
    m_devices->addDevice(path, description);
}

void WindowController::openDevice(const QString &path)
{
    m_devices->addDevice(path);
    m_devices->select(path);
    ttyPicked();
}

void WindowController::ttyPicked()
{
    // The placeholder names no device: there is nothing to open or to complain about.
    if (ui->ttySelect->currentIndex() <= 0)
        return;
    // The user has chosen: a lost port is no longer waited for.
    m_reconnect->cancel();
    m_reconnecting = false;
    // The path, not the text, which describes the adapter too.
    openPort(ui->ttySelect->currentData().toString());
}

// The adapter that was lost is back: it is opened as a pick opens it.
void WindowController::reconnectTo(const QString &path)
{
    if (m_closing)
        return;
    m_reconnecting = true;
    m_devices->select(path);
    openPort(path);
}

void WindowController::openPort(const QString &path)
{
    m_connectionStatus->setText(m_reconnecting ? tr("Reconnecting to %1…").arg(path)
                                               : tr("Opening %1…").arg(path));
    setOpening(true); // until the device is greeted and preset 1 is on
    m_openPath.clear();
    ++m_opensPending;
    // Behind whatever is still queued for the port open now, which then says farewell.
    m_line.open(path.toStdString());
}

void WindowController::opened(const std::string &openedPath, const camdeck::OpenResult &result,
                              const camdeck::ReadResult &reply)
{
    const QString path = QString::fromStdString(openedPath);
    // A port picked again before this one was open: the later pick is what counts.
    if (--m_opensPending > 0)
        return;
    const bool reconnected = std::exchange(m_reconnecting, false);
    if (!result.ok() && reconnected && !m_closing) {
        // Back, but not ready yet (udev has not given it its group, say):
        // the next change will tell. No alert for what nobody asked for.
        setOpening(false);
        m_reconnect->lost();
        m_connectionStatus->setText(
            tr("Waiting for %1 to come back (%2)")
                .arg(path, QString::fromStdString(describeOpenFailure(result))));
        return;
    }
    if (!result.ok()) {
        setOpening(false);
        QMessageBox alert(this);
        alert.setIcon(QMessageBox::Warning);
        alert.setText(QStringLiteral("Try open again?"));
        alert.setInformativeText(QString::fromStdString(describeOpenFailure(result)));
        QPushButton *ok = alert.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        alert.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
        alert.exec();
        if (alert.clickedButton() == ok && !m_closing) {
            m_connectionStatus->setText(tr("Opening %1…").arg(path));
            setOpening(true);
            ++m_opensPending;
            m_line.open(path.toStdString());
            return;
        }
        m_connectionStatus->setText(tr("No port"));
        return;
    }

    m_openPath = path;
    m_reconnect->opened(path, m_devices->systemPortsListed());
    if (reply.data.size() >= 2)
        qCInfo(lcLink).noquote() << "Message is >" + replyText(reply.data);
    const QString connected
        = reconnected ? tr("Reconnected to %1").arg(path) : tr("Connected to %1").arg(path);
    m_connectionStatus->setText(
        reply.data.empty() ? tr("%1 — no reply to the greeting").arg(connected)
                           : tr("%1 — device says %2").arg(connected, replyBytes(reply.data)));
    InitialiseSlots();
}

// The busy bar shows only while it moves: a style's busy animation, once
// started, would go on drawing an idle bar for ever.
void WindowController::setOpening(bool opening)
{
    m_opening = opening;
    ui->fileOpening->setMaximum(opening ? 0 : 1);
    ui->fileOpening->setVisible(opening);
}

void WindowController::showProgress(const std::string &job, int done, int total)
{
    statusBar()->showMessage(
        tr("%1 — %2 of %3").arg(QString::fromStdString(job)).arg(done).arg(total));
}

void WindowController::queueIdle()
{
    statusBar()->clearMessage();
    if (m_opening && !m_line.busy())
        setOpening(false);
}

// A write that failed or timed out, or a device gone: said in the status bar;
// a lost port once in the log too, as what was queued for it is dropped.
void WindowController::lineFailed(const camdeck::SendQueue::Failure &failure)
{
    const QString path = QString::fromStdString(failure.path);
    const QString why = QString::fromLocal8Bit(std::strerror(failure.error));
    if (!failure.lost) {
        m_lastCommandStatus->setText(tr("Not sent: %1").arg(why));
        return;
    }
    m_openPath.clear();
    qCWarning(lcLink).noquote() << "Lost the serial line" << path << "-" << why;
    // A pick under way decides what is open next, not the port that was lost.
    const bool waiting = m_opensPending == 0 && !m_closing && m_reconnect->lost();
    m_connectionStatus->setText((waiting ? tr("Port lost: %1 (%2). Waiting for it to come back.")
                                         : tr("Port lost: %1 (%2). Pick it again when it is back."))
                                    .arg(path, why));
}

void WindowController::InitialiseSlots()
{
    m_presets->InitialiseSlots();
}

// Closing waits for the line, not in the window: it goes at once, what is
// queued goes out, then the farewell, and only then does the program end.
void WindowController::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    if (m_closing)
        return;
    m_closing = true;
    m_reconnect->cancel();
    hide();
    // Never longer than the queued pauses and a second: a stuck adapter must
    // not keep the program alive.
    const auto bound = m_line.pendingPauses() + std::chrono::seconds(1);
    windowWillClose();
    QTimer::singleShot(bound, this, &WindowController::finishClosing);
}

void WindowController::windowWillClose()
{
    m_line.close();
}

void WindowController::finishClosing()
{
    m_openPath.clear();
    m_connectionStatus->setText(tr("No port"));
    if (!m_closing || m_closed)
        return;
    m_closed = true;
    close();
    emit closed();
}
