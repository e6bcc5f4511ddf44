#include "simwindow.h"

#include "picturewidget.h"
#include "protocol/camera.h"
#include "ptydevice.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableWidget>
#include <QTime>
#include <QVBoxLayout>

namespace camdeck::sim {

namespace {

constexpr qint64 highlightMs = 3000;
constexpr int frameMs = 100;

int key(const Address &a)
{
    return a.group << 8 | a.index;
}

} // namespace

SimWindow::SimWindow(RegisterModel &model, const PtyDevice &device, QWidget *parent)
    : QMainWindow(parent)
    , m_model(model)
    , m_device(device)
{
    setWindowTitle("camdeck-sim — " + device.slavePath());

    m_picture = new PictureWidget(model);
    m_motor = new QLabel;
    m_motor->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *left = new QWidget;
    auto *leftLayout = new QVBoxLayout(left);
    auto *path = new QLabel("Device: <b>" + device.slavePath().toHtmlEscaped() + "</b>");
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    leftLayout->addWidget(path);
    leftLayout->addWidget(m_picture, 1);
    leftLayout->addWidget(m_motor);

    m_registers = new QTableWidget(0, 3);
    m_registers->setHorizontalHeaderLabels({"Register", "Name", "Value"});
    m_registers->verticalHeader()->hide();
    m_registers->horizontalHeader()->setStretchLastSection(true);
    m_registers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_traffic = new QPlainTextEdit;
    m_traffic->setReadOnly(true);
    m_traffic->setMaximumBlockCount(5000);
    m_traffic->setFont(QFont("monospace"));

    auto *right = new QSplitter(Qt::Vertical);
    right->addWidget(m_registers);
    right->addWidget(m_traffic);
    auto *split = new QSplitter;
    split->addWidget(left);
    split->addWidget(right);
    split->setSizes({700, 500});
    setCentralWidget(split);
    resize(1200, 700);

    connect(&device, &PtyDevice::traffic, this, &SimWindow::addTraffic);
    connect(&device, &PtyDevice::modelChanged, this, &SimWindow::refreshRegisters);
    connect(&m_ticker, &QTimer::timeout, this, &SimWindow::tick);
    m_ticker.start(frameMs);
    refreshRegisters();
    tick();
}

void SimWindow::addTraffic(const QString &line, bool rejected)
{
    const QString stamped = QTime::currentTime().toString("HH:mm:ss.zzz  ") + line.toHtmlEscaped();
    m_traffic->appendHtml(rejected ? "<span style='color:#c00000'>" + stamped + "</span>"
                                   : stamped);
}

void SimWindow::refreshRegisters()
{
    const qint64 now = m_device.now().count();
    for (const Address &a : m_model.takeChanged())
        m_changedAt[key(a)] = now;
    const auto &registers = m_model.registers();
    m_registers->setRowCount(static_cast<int>(registers.size()));
    int row = 0;
    for (const auto &[a, value] : registers) {
        const QString cells[] = {
            QString("%1/%2").arg(a.group).arg(a.index),
            QString::fromStdString(protocol::registerName(a)),
            QString("0x%1  %2").arg(value, 2, 16, QChar('0')).arg(value),
        };
        for (int column = 0; column < 3; ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setData(Qt::UserRole, key(a));
            m_registers->setItem(row, column, item);
        }
        ++row;
    }
    m_registers->resizeColumnsToContents();
    highlightRecent();
}

void SimWindow::highlightRecent()
{
    const qint64 now = m_device.now().count();
    for (int row = 0; row < m_registers->rowCount(); ++row) {
        const int k = m_registers->item(row, 0)->data(Qt::UserRole).toInt();
        const bool recent = now - m_changedAt.value(k, -highlightMs) < highlightMs;
        const QBrush brush = recent ? QBrush(QColor(255, 230, 120)) : QBrush();
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem *item = m_registers->item(row, column);
            if (item->background() != brush)
                item->setBackground(brush);
        }
    }
}

void SimWindow::tick()
{
    const auto now = m_device.now();
    m_picture->advance(now);
    highlightRecent();
    const MotorDrive &motor = m_model.motor();
    const QString state = motor.direction() == MotorDrive::Direction::Stop
        ? QString("stopped")
        : QString("moving ") + jogName(motor.direction());
    m_motor->setText(QString("Motor: %1 at %2 mm/s · position x %3 mm, y %4 mm · last travel %5 mm")
                         .arg(state)
                         .arg(motor.speed())
                         .arg(motor.x(now), 0, 'f', 1)
                         .arg(motor.y(now), 0, 'f', 1)
                         .arg(motor.lastTravel()));
}

} // namespace camdeck::sim
