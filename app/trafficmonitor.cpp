#include "trafficmonitor.h"

#include "protocol/capture.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTime>
#include <QVBoxLayout>

using camdeck::SerialLine;
namespace protocol = camdeck::protocol;

TrafficMonitor::TrafficMonitor(QWidget *parent, int lineLimit)
    : QDockWidget(tr("Traffic"), parent)
    , m_lineLimit(lineLimit)
{
    setObjectName(QStringLiteral("trafficMonitor"));
    // Most sessions never look: the view and its fixed font are made when it
    // is first shown, and the lines kept until then.
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible && !m_view)
            makeView();
        if (visible && m_viewBehind)
            showKeptLines();
    });
}

void TrafficMonitor::makeView()
{
    auto *contents = new QWidget(this);
    m_view = new QPlainTextEdit(contents);
    m_view->setObjectName(QStringLiteral("trafficLines"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(m_lineLimit);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto *copy = new QPushButton(tr("Copy all"), contents);
    copy->setObjectName(QStringLiteral("copyTraffic"));
    auto *save = new QPushButton(tr("Save…"), contents);
    save->setObjectName(QStringLiteral("saveTraffic"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(save);
    auto *layout = new QVBoxLayout(contents);
    layout->addWidget(m_view);
    layout->addLayout(buttons);
    setWidget(contents);

    connect(copy, &QPushButton::clicked, this, &TrafficMonitor::copyAll);
    connect(save, &QPushButton::clicked, this, &TrafficMonitor::saveAll);
}

void TrafficMonitor::record(SerialLine::Direction direction, const camdeck::Bytes &bytes)
{
    const bool written = direction == SerialLine::Direction::Written;
    // Each direction has its own decoder, so a reply never splits a message.
    const std::vector<protocol::Event> events = (written ? m_writes : m_reads).feed(bytes);
    QStringList said;
    for (const protocol::Event &event : events) {
        // The device's replies are not messages; only a recognised one (an
        // echoing adapter, say) is worth naming.
        if (!written && (event.isRejected() || event.kind == protocol::Event::Kind::Skipped))
            continue;
        said << QString::fromStdString(protocol::describeMessage(event));
    }
    if (!written)
        said.prepend(QString::fromStdString(protocol::replySize(bytes)));
    const std::string time
        = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString();
    append(QString::fromStdString(
        protocol::captureLine(time, written ? protocol::Direction::Sent : protocol::Direction::Read,
                              bytes, said.join(QStringLiteral("; ")).toStdString())));
    if (written && !said.isEmpty())
        emit commandSent(said.last());
}

void TrafficMonitor::append(const QString &line)
{
    m_lines.push_back(line);
    if (m_lines.size() > static_cast<std::size_t>(m_lineLimit))
        m_lines.pop_front();
    // A hidden monitor only keeps the line; showing it catches the view up.
    if (m_view && isVisible())
        m_view->appendPlainText(line);
    else
        m_viewBehind = true;
}

void TrafficMonitor::showKeptLines()
{
    // One block a line: a last newline would make one more, over the bound.
    m_view->setPlainText(text().chopped(m_lines.empty() ? 0 : 1));
    m_view->moveCursor(QTextCursor::End);
    m_viewBehind = false;
}

QString TrafficMonitor::text() const
{
    QString all;
    for (const QString &line : m_lines)
        all += line + QLatin1Char('\n');
    return all;
}

void TrafficMonitor::copyAll() const
{
    QApplication::clipboard()->setText(text());
}

QString TrafficMonitor::askPath()
{
    if (m_choosePath)
        return m_choosePath();
    return QFileDialog::getSaveFileName(this, tr("Save traffic"),
                                        QStringLiteral("camdeck-traffic.txt"),
                                        tr("Text files (*.txt);;All files (*)"));
}

void TrafficMonitor::saveAll()
{
    const QString path = askPath();
    if (path.isEmpty())
        return;
    const QByteArray content = text().toUtf8();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return;
    QMessageBox::warning(this, tr("Save traffic"),
                         tr("The traffic was not saved to %1: %2").arg(path, file.errorString()));
}
