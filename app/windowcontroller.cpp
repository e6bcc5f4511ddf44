#include "windowcontroller.h"
#include "ui_windowcontroller.h"

#include "devicelist.h"
#include "jog/jogpad.h"
#include "panel/exposurepanel.h"
#include "panel/gaincolourpanel.h"
#include "panel/maskpanel.h"
#include "panel/picturepanel.h"
#include "panel/positionspanel.h"
#include "presets/presetpanel.h"
#include "trafficmonitor.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLocale>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

#include <cstring>

Q_LOGGING_CATEGORY(lcLink, "camdeck.link")

namespace {

// The device's greeting reply as the log shows it: a C string, so a zero byte ends it.
QByteArray replyText(const camdeck::Bytes &reply)
{
    const auto *begin = reinterpret_cast<const char *>(reply.data());
    return QByteArray(begin, static_cast<qsizetype>(::strnlen(begin, reply.size())));
}

} // namespace

WindowController::WindowController(const QStringList &extraDevices, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::WindowController>())
{
    ui->setupUi(this);
    awakeFromNib(extraDevices);

    m_picture = std::make_unique<PicturePanel>(*ui, m_line);
    m_positions = std::make_unique<PositionsPanel>(*ui, m_line);
    m_masks = std::make_unique<MaskPanel>(*ui, m_line);
    m_jog = std::make_unique<JogPad>(*ui, m_line);
    m_exposure = std::make_unique<ExposurePanel>(*ui, m_line, m_exposureState);
    m_gainColour = std::make_unique<GainColourPanel>(*ui, m_line, m_exposureState);
    m_presets = std::make_unique<PresetPanel>(*ui, m_exposureState, *m_exposure, *m_gainColour);

    connect(ui->ttySelect, &QComboBox::activated, this, &WindowController::ttyPicked);
    connect(m_traffic, &TrafficMonitor::commandSent, m_lastCommandStatus,
            [this](const QString &c) { m_lastCommandStatus->setText(tr("Sent: %1").arg(c)); });
    connect(m_presets.get(), &PresetPanel::saveFailed, m_lastCommandStatus,
            [this](int slot, const QString &reason) {
                m_lastCommandStatus->setText(
                    tr("Preset %1 not saved: %2").arg(slot + 1).arg(reason));
            });
    m_traffic->watch(m_line);
    m_line.setLostHandler([this](const std::string &path, int error) {
        portLost(QString::fromStdString(path), error);
    });
}

WindowController::~WindowController()
{
    // The line says farewell as it goes, after the monitor's listeners.
    m_line.setTap({});
}

void WindowController::awakeFromNib(const QStringList &extraDevices)
{
    ui->speedCur->setText(QStringLiteral("45"));

    new DeviceList(ui->ttySelect, extraDevices);

    const QLocale locale;
    ui->totalDist->setText(locale.toString(0));
    ui->mmDistance->setText(locale.toString(0));

    m_connectionStatus = new QLabel(tr("No port"), this);
    m_connectionStatus->setObjectName(QStringLiteral("connectionStatus"));
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

void WindowController::ttyPicked()
{
    // The placeholder names no device: there is nothing to open or to complain about.
    if (ui->ttySelect->currentIndex() <= 0)
        return;

    const QString path = ui->ttySelect->currentText();
    for (;;) {
        m_connectionStatus->setText(tr("Opening %1…").arg(path));
        ui->fileOpening->setMaximum(0); // busy
        const camdeck::OpenResult opened = m_line.open(path.toStdString());
        ui->fileOpening->setMaximum(1);
        if (opened.ok())
            break;

        QMessageBox alert(this);
        alert.setIcon(QMessageBox::Warning);
        alert.setText(QStringLiteral("Try open again?"));
        alert.setInformativeText(QString::fromStdString(camdeck::describeOpenFailure(opened)));
        QPushButton *ok = alert.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        alert.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
        alert.exec();
        if (alert.clickedButton() != ok) {
            m_connectionStatus->setText(tr("No port"));
            return;
        }
    }

    const camdeck::ReadResult reply = m_line.greet();
    if (reply.data.size() >= 2) {
        qCInfo(lcLink).noquote() << "Message is >" + replyText(reply.data);
        m_connectionStatus->setText(tr("Connected to %1 (device says \"%2\")")
                                        .arg(path, QString::fromLatin1(replyText(reply.data))));
    } else {
        m_connectionStatus->setText(tr("Connected to %1 (no reply to the greeting)").arg(path));
    }

    InitialiseSlots();
}

void WindowController::portLost(const QString &path, int error)
{
    // Said once: the line is closed now, so no later write can say it again.
    qCWarning(lcLink).noquote() << "Lost the serial line" << path << "-" << std::strerror(error);
    m_connectionStatus->setText(tr("Port lost: %1 (%2). Pick it again when it is back.")
                                    .arg(path, QString::fromLocal8Bit(std::strerror(error))));
}

void WindowController::InitialiseSlots()
{
    m_presets->InitialiseSlots();
}

void WindowController::closeEvent(QCloseEvent *event)
{
    windowWillClose();
    QMainWindow::closeEvent(event);
}

void WindowController::windowWillClose()
{
    m_line.close();
    m_connectionStatus->setText(tr("No port"));
}
