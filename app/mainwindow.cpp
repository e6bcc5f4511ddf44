#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "controlbinding.h"
#include "devicelist.h"
#include "jogpad.h"
#include "panelservice.h"
#include "presetbuttons.h"
#include "reconnect.h"
#include "setupmenu.h"
#include "textentry.h"
#include "trafficmonitor.h"

#include "link/openfailure.h"
#include "protocol/decoder.h"
#include "util/programinfo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QProxyStyle>
#include <QScreen>
#include <QSettings>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstring>
#include <utility>

Q_LOGGING_CATEGORY(lcLink, "camdeck.link", QtInfoMsg)
Q_DECLARE_LOGGING_CATEGORY(lcPanel)

namespace {

// The device's greeting reply as the log shows it: a C string, so a zero byte ends it.
QByteArray replyText(const camdeck::Bytes &reply)
{
    const auto *begin = reinterpret_cast<const char *>(reply.data());
    return QByteArray(begin, static_cast<qsizetype>(::strnlen(begin, reply.size())));
}

// "why.\nRemedy.", each a sentence of its own.
QString sentences(const camdeck::OpenFailureWords &words)
{
    QString text;
    for (const std::string &part : {words.why, words.remedy}) {
        if (part.empty())
            continue;
        QString sentence = QString::fromStdString(part);
        sentence[0] = sentence[0].toUpper();
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + sentence + QLatin1Char('.');
    }
    return text;
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

void MainWindow::prepareApplication()
{
    QApplication::setStyle(new PanelStyle);
}

MainWindow::MainWindow(const QStringList &extraDevices, bool reset, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
    , m_line(camdeck::SendQueue::Reporting::ToOwner)
{
    ui->setupUi(this);
    m_devices = new DeviceList(ui->ttySelect, extraDevices);
    m_reconnect = new Reconnect(this);
    new TextEntry(ui->textstringSelect);
    QSizePolicy keepPlace = ui->fileOpening->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    ui->fileOpening->setSizePolicy(keepPlace);
    ui->fileOpening->hide();
    setUpStatusBar();

    m_controls = new ControlBinding(this, m_line, this);
    m_presets = std::make_unique<camdeck::PresetBank>(m_controls->panel(), m_line);
    setUpMenus();
    m_jog = new JogPad(this, m_controls->panel(), this);
    auto *presetButtons = new PresetButtons(this, *m_presets, this);
    m_service = new PanelService(*this, *m_controls, *m_presets, *presetButtons, *m_jog,
                                 ui->textstringSelect);

    connect(ui->ttySelect, &QComboBox::activated, this, &MainWindow::ttyPicked);
    connect(ui->disconnectButton, &QPushButton::clicked, this, &MainWindow::disconnectPort);
    connect(m_reconnect, &Reconnect::cameBack, this, &MainWindow::reconnectTo);
    // The queue owns the line: it lets go of it and says the port is lost.
    connect(m_reconnect, &Reconnect::gone, this,
            [this](const QString &path) { m_line.lose(path.toStdString()); });
    connect(m_traffic, &TrafficMonitor::commandSent, m_lastCommandStatus,
            [this](const QString &c) { m_lastCommandStatus->setText(tr("Sent: %1").arg(c)); });
    connect(presetButtons, &PresetButtons::saved, m_lastCommandStatus, &QLabel::setText);
    connect(m_controls, &ControlBinding::refused, m_lastCommandStatus, &QLabel::setText);
    connect(m_setups, &SetupMenu::said, m_lastCommandStatus, &QLabel::setText);
    m_presets->setApplied(
        [this](int slot) { m_lastCommandStatus->setText(tr("Preset %1 applied").arg(slot + 1)); });

    camdeck::SendQueue::Reports reports;
    reports.opened = [this](const auto &...report) { opened(report...); };
    reports.closed = [this] { finishClosing(); };
    reports.failed = [this](const auto &failure) { lineFailed(failure); };
    reports.tap = [this](const auto &...bytes) { m_traffic->record(bytes...); };
    reports.progress = [this](const auto &...progress) { showProgress(progress...); };
    reports.idle = [this] { queueIdle(); };
    reports.dropped = [this] { noteNotSent(); };
    m_line.setReports(std::move(reports));
    // What the queue's thread reports waits in its outbox until this thread takes it.
    auto *reportsWaiting = new QSocketNotifier(m_line.reportFd(), QSocketNotifier::Read, this);
    connect(reportsWaiting, &QSocketNotifier::activated, this, [this] { m_line.takeReports(); });
    restoreSettings(reset);
}

MainWindow::~MainWindow() = default;

camdeck::CameraPanel &MainWindow::camera()
{
    return m_controls->panel();
}

// Left, where the port stands, which stays in sight; beside it, while the
// queue works, what it is doing; right, the last command sent.
void MainWindow::setUpStatusBar()
{
    m_connectionStatus = new QLabel(tr("No port"), this);
    m_connectionStatus->setObjectName(QStringLiteral("connectionStatus"));
    // A long path or reply is cut at the window's edge rather than widening it.
    m_connectionStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_connectionStatus, 1);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("jobProgress"));
    // Wide enough for the longest job's words, which are drawn inside it.
    m_progress->setMinimumWidth(
        fontMetrics().horizontalAdvance(tr("Creating preset 5 from its built-in values — 16 of 16"))
        + 4 * fontMetrics().averageCharWidth());
    m_progress->hide();
    statusBar()->addWidget(m_progress);
    m_sendAllOffer = new QPushButton(tr("Send all"), this);
    m_sendAllOffer->setObjectName(QStringLiteral("sendAllOffer"));
    m_sendAllOffer->setToolTip(
        tr("The window shows values the camera may not have: send them all"));
    m_sendAllOffer->hide();
    statusBar()->addWidget(m_sendAllOffer);
    m_lastCommandStatus = new QLabel(this);
    m_lastCommandStatus->setObjectName(QStringLiteral("lastCommandStatus"));
    statusBar()->addPermanentWidget(m_lastCommandStatus);
}

void MainWindow::setUpMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    m_setups = new SetupMenu(*this, m_controls->panel(), file);
    connect(m_sendAllOffer, &QPushButton::clicked, this, &MainWindow::sendAll);
    QAction *disconnect = file->addAction(tr("&Disconnect"), this, &MainWindow::disconnectPort);
    disconnect->setObjectName(QStringLiteral("disconnectAction"));
    disconnect->setEnabled(false);
    connect(this, &MainWindow::portStateChanged, disconnect,
            [disconnect](PortState state) { disconnect->setEnabled(state != PortState::Closed); });
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence::Quit);

    m_traffic = new TrafficMonitor(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_traffic);
    m_traffic->hide();
    QAction *showTraffic = m_traffic->toggleViewAction();
    showTraffic->setObjectName(QStringLiteral("showTrafficMonitor"));
    showTraffic->setText(tr("&Traffic monitor"));
    menuBar()->addMenu(tr("&View"))->addAction(showTraffic);
}

// The title names the port, the button and the menu let go of it.
void MainWindow::setPortState(PortState state, const QString &port)
{
    m_portState = state;
    m_port = state == PortState::Closed ? QString() : port;
    setWindowTitle(m_port.isEmpty() ? tr("camdeck") : tr("%1 — camdeck").arg(m_port));
    ui->disconnectButton->setEnabled(state != PortState::Closed);
    emit portStateChanged(state, m_port);
}

void MainWindow::noteNotSent()
{
    m_unsent = true;
    m_lastCommandStatus->setText(tr("No port open — not sent"));
}

void MainWindow::sendAll()
{
    if (!isConnected())
        return noteNotSent();
    m_sendAllOffer->hide();
    m_unsent = false;
    m_controls->panel().sendAll();
}

bool MainWindow::holdsUnsent() const
{
    const camdeck::Setup shown = m_controls->panel().setup();
    const bool offBuiltIn
        = std::any_of(shown.controls.begin(), shown.controls.end(), [](const auto &c) {
              return !c.first->keeps.any() && c.second != c.first->initial;
          });
    const bool switchOn = std::any_of(shown.switches.begin(), shown.switches.end(),
                                      [](const auto &s) { return s.second; });
    return m_unsent || offBuiltIn || switchOn || !shown.text.value_or(std::u16string()).empty()
        || shown.mask.value_or(0) != 0;
}

void MainWindow::restoreSettings(bool reset)
{
    if (reset) {
        m_lastCommandStatus->setText(tr("Started with the built-in values"));
        return;
    }
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(camdeckAppId));
    const camdeck::SetupRead kept
        = camdeck::parseSetup(settings.value(QStringLiteral("controls")).toString().toStdString());
    if (settings.status() != QSettings::NoError || !kept.ok()) {
        // Set aside for its owner to look at; this start uses the built-in values.
        const QString damaged = settings.fileName() + QStringLiteral(".damaged");
        QFile::remove(damaged);
        QFile::rename(settings.fileName(), damaged);
        const QString said = tr("%1 could not be read (%2): set aside as %3")
                                 .arg(settings.fileName(),
                                      kept.ok() ? tr("not a settings file")
                                                : QString::fromStdString(kept.error),
                                      damaged);
        qCWarning(lcPanel).noquote() << said;
        m_lastCommandStatus->setText(said);
        return;
    }
    m_savedGeometry = settings.value(QStringLiteral("geometry")).toByteArray();
    restoreState(settings.value(QStringLiteral("state")).toByteArray());
    m_setups->setRecent(settings.value(QStringLiteral("recentSetups")).toStringList());
    const QString port = settings.value(QStringLiteral("port")).toString();
    if (!port.isEmpty())
        m_devices->select(port);
    m_controls->panel().take(kept.setup, false);
    m_setups->showKept();
}

void MainWindow::saveSettings() const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(camdeckAppId));
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("state"), saveState());
    settings.setValue(QStringLiteral("recentSetups"), m_setups->recent());
    settings.setValue(QStringLiteral("port"), ui->ttySelect->currentData().toString());
    settings.setValue(QStringLiteral("controls"),
                      QString::fromStdString(camdeck::formatSetup(m_controls->panel().setup())));
}

void MainWindow::disconnectPort()
{
    if (m_portState == PortState::Closed)
        return;
    m_reconnect->cancel();
    m_reconnecting = false;
    m_devices->select(QString());
    m_line.close(); // what is queued goes out first
}

// The size the panel needs, within the screen: the scroll area offers only a
// few hundred pixels of itself, and scrolls only where the screen is smaller.
// Known once the controls are shown, just before the window is.
void MainWindow::showEvent(QShowEvent *event)
{
    if (!m_sized) {
        m_sized = true;
        if (m_savedGeometry.isEmpty() || !restoreGeometry(m_savedGeometry))
            fitToContents();
        // Scripts reach the panel once it is up: the bus, a few round trips
        // to its daemon, is no business of the first paint. A timer started
        // now would run before that paint, which waits for the window system
        // to expose the window: the panel joins the bus once the window is
        // first exposed, or a second from now if nothing shows it (started
        // on a desktop out of sight).
        windowHandle()->installEventFilter(this);
        QTimer::singleShot(std::chrono::seconds(1), this, &MainWindow::joinBus);
    }
    QMainWindow::showEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The window is painted as its exposure is handled, after this filter.
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        QTimer::singleShot(0, this, &MainWindow::joinBus);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::joinBus()
{
    if (std::exchange(m_onBus, true))
        return;
    if (QWindow *window = windowHandle())
        window->removeEventFilter(this);
    m_service->registerOnBus();
}

void MainWindow::fitToContents()
{
    const int frame = 2 * ui->panelScroll->frameWidth();
    const QSize panel = ui->panelContents->sizeHint() + QSize(frame, frame);
    const QSize wanted = sizeHint() - ui->panelScroll->sizeHint() + panel;
    resize(wanted.boundedTo(screen()->availableSize()));
}

void MainWindow::listDevice(const QString &path, const QString &description)
{
    m_devices->addDevice(path, description);
}

void MainWindow::openDevice(const QString &path)
{
    m_devices->addDevice(path);
    m_devices->select(path);
    ttyPicked();
}

void MainWindow::ttyPicked()
{
    // The placeholder names no device: there is nothing to open or to
    // complain about, and what is open is let go.
    if (ui->ttySelect->currentIndex() <= 0)
        return disconnectPort();
    // The user has chosen: a lost port is no longer waited for.
    m_reconnect->cancel();
    m_reconnecting = false;
    // The path, not the text, which describes the adapter too.
    openPort(ui->ttySelect->currentData().toString());
}

// The adapter that was lost is back: it is opened as a pick opens it.
void MainWindow::reconnectTo(const QString &path)
{
    if (m_closing)
        return;
    m_reconnecting = true;
    m_devices->select(path);
    openPort(path);
}

void MainWindow::openPort(const QString &path)
{
    m_connectionStatus->setText(m_reconnecting ? tr("Reconnecting to %1…").arg(path)
                                               : tr("Opening %1…").arg(path));
    setOpening(true); // until the device is greeted and preset 1 is on
    setPortState(PortState::Opening, path);
    ++m_opensPending;
    // Behind whatever is still queued for the port open now, which then says farewell.
    m_line.open(path.toStdString());
}

void MainWindow::opened(const std::string &openedPath, const camdeck::OpenResult &result,
                        const camdeck::ReadResult &reply)
{
    const QString path = QString::fromStdString(openedPath);
    // A port picked again before this one was open: the later pick is what counts.
    if (--m_opensPending > 0)
        return;
    const bool reconnected = std::exchange(m_reconnecting, false);
    if (!result.ok())
        return refusedToOpen(path, result, reconnected);

    m_greetingReply = reply.data;
    setPortState(PortState::Open, path);
    m_reconnect->opened(path, m_devices->systemPortsListed());
    if (reply.data.size() >= 2)
        qCDebug(lcLink).noquote() << "Message is >" + replyText(reply.data);
    const QString connected
        = reconnected ? tr("Reconnected to %1").arg(path) : tr("Connected to %1").arg(path);
    // The status bar is one line: a long reply is cut.
    const QString said = QString::fromStdString(camdeck::protocol::describeReply(reply.data, 16));
    m_connectionStatus->setText(reply.data.empty()
                                    ? tr("%1 — no reply to the greeting").arg(connected)
                                    : tr("%1 — device says %2").arg(connected, said));
    m_presets->loadFromFiles();
}

void MainWindow::refusedToOpen(const QString &path, const camdeck::OpenResult &result,
                               bool reconnected)
{
    setOpening(false);
    const camdeck::OpenFailureWords words = camdeck::describeOpenFailure(result);
    if (reconnected && !m_closing) {
        // Back, but not ready yet (udev has not given it its group, say):
        // the next change will tell. No alert for what nobody asked for.
        m_reconnect->lost();
        m_connectionStatus->setText(
            tr("Waiting for %1 to come back (%2)").arg(path, QString::fromStdString(words.why)));
        return;
    }
    QMessageBox alert(this);
    alert.setIcon(QMessageBox::Warning);
    alert.setText(QStringLiteral("Try open again?"));
    alert.setInformativeText(sentences(words));
    QPushButton *ok = alert.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    alert.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    alert.exec();
    if (alert.clickedButton() == ok && !m_closing) {
        m_connectionStatus->setText(tr("Opening %1…").arg(path));
        setOpening(true);
        setPortState(PortState::Opening, path);
        ++m_opensPending;
        m_line.open(path.toStdString());
        return;
    }
    m_connectionStatus->setText(tr("No port"));
    setPortState(PortState::Closed, {});
}

// The busy bar shows only while it moves: a style's busy animation, once
// started, would go on drawing an idle bar for ever.
void MainWindow::setOpening(bool opening)
{
    m_opening = opening;
    ui->fileOpening->setMaximum(opening ? 0 : 1);
    ui->fileOpening->setVisible(opening);
}

void MainWindow::showProgress(const std::string &job, int done, int total)
{
    m_progress->setFormat(tr("%1 — %v of %m").arg(QString::fromStdString(job)));
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_progress->show();
}

void MainWindow::queueIdle()
{
    m_progress->hide();
    if (!m_opening || m_line.busy())
        return;
    // Opened, preset 1 on: the rest of what the window shows, the camera may lack.
    setOpening(false);
    m_sendAllOffer->setVisible(isConnected() && holdsUnsent());
}

// A write that failed or timed out, or a device gone: said in the status bar;
// a lost port once in the log too, as what was queued for it is dropped.
void MainWindow::lineFailed(const camdeck::SendQueue::Failure &failure)
{
    const QString path = QString::fromStdString(failure.path);
    const QString why = QString::fromLocal8Bit(std::strerror(failure.error));
    if (!failure.lost) {
        m_lastCommandStatus->setText(tr("Not sent: %1").arg(why));
        return;
    }
    qCWarning(lcLink).noquote() << "Lost the serial line" << path << "-" << why;
    // A pick under way decides what is open next, not the port that was lost.
    if (m_opensPending == 0)
        setPortState(PortState::Lost, path);
    const bool waiting = m_opensPending == 0 && !m_closing && m_reconnect->lost();
    m_connectionStatus->setText((waiting ? tr("Port lost: %1 (%2). Waiting for it to come back.")
                                         : tr("Port lost: %1 (%2). Pick it again when it is back."))
                                    .arg(path, why));
}

// Closing waits for the line, not in the window: it goes at once, what is
// queued goes out, then the farewell, and only then does the program end.
void MainWindow::closeEvent(QCloseEvent *event)
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
    saveSettings();
    hide();
    // Never longer than the queued pauses and a second: a stuck adapter must
    // not keep the program alive.
    const auto bound = m_line.pendingPauses() + std::chrono::seconds(1);
    m_line.close();
    QTimer::singleShot(bound, this, &MainWindow::finishClosing);
}

void MainWindow::finishClosing()
{
    // A port picked meanwhile is opening behind the farewell.
    if (m_opensPending == 0) {
        setPortState(PortState::Closed, {});
        m_connectionStatus->setText(tr("No port"));
    }
    if (!m_closing || m_closed)
        return;
    m_closed = true;
    close();
    emit closed();
}
