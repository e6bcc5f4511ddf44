#include "devicelist.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QProxyStyle>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QTimer>

namespace {

const QString noDeviceTitle = QStringLiteral("Select Serial Device");

// The pop-up is narrower than a described adapter: its text is cut in the
// middle rather than at the end, so the path that opens stays in sight.
class PathInSightStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option);
        if (element != CE_ComboBoxLabel || !combo || combo->editable) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionComboBox elided(*combo);
        const QRect field = subControlRect(CC_ComboBox, combo, SC_ComboBoxEditField, widget);
        elided.currentText
            = combo->fontMetrics.elidedText(combo->currentText, Qt::ElideMiddle, field.width() - 2);
        QProxyStyle::drawControl(element, &elided, painter, widget);
    }
};

} // namespace

QString DeviceList::itemText(const PortInfo &port)
{
    QStringList parts;
    for (const QString &part : {port.description, port.manufacturer, port.serialNumber}) {
        if (!part.trimmed().isEmpty())
            parts << part.trimmed();
    }
    parts << port.path;
    return parts.join(QStringLiteral(" — "));
}

DeviceList::DeviceList(QComboBox *ttySelect, const QStringList &extraDevices, PortLister lister,
                       const QString &watchedDirectory)
    : QObject(ttySelect)
    , m_ttySelect(ttySelect)
    , m_lister(std::move(lister))
    , m_watchedDirectory(watchedDirectory)
{
    // Its width is the window's business, not that of the longest path given.
    m_ttySelect->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_ttySelect->setMinimumContentsLength(static_cast<int>(noDeviceTitle.size()));
    auto *style = new PathInSightStyle;
    style->setParent(m_ttySelect);
    m_ttySelect->setStyle(style);
    for (const QString &path : extraDevices)
        addDevice(path);
    rebuild();
    connect(m_ttySelect, &QComboBox::activated, this,
            [this](int index) { m_selected = m_ttySelect->itemData(index).toString(); });
    // The given paths are there at once; the system's ports follow the first paint.
    m_ttySelect->installEventFilter(this);
}

bool DeviceList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ttySelect && event->type() == QEvent::Paint) {
        m_ttySelect->removeEventFilter(this);
        // After this paint has reached the screen.
        QTimer::singleShot(0, this, [this] {
            m_watcher.addPath(m_watchedDirectory);
            connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DeviceList::refresh);
            refresh();
        });
    }
    return QObject::eventFilter(watched, event);
}

void DeviceList::addDevice(const QString &path, const QString &description)
{
    for (PortInfo &extra : m_extras) {
        if (extra.path == path) {
            if (!description.isEmpty())
                extra.description = description;
            rebuild();
            return;
        }
    }
    m_extras.append({path, description, {}, {}});
    rebuild();
}

void DeviceList::select(const QString &path)
{
    m_selected = path;
    const QSignalBlocker quiet(m_ttySelect);
    m_ttySelect->setCurrentIndex(std::max(0, m_ttySelect->findData(path)));
}

void DeviceList::refresh()
{
    m_ports = m_lister();
    m_listed = true;
    rebuild();
}

void DeviceList::rebuild()
{
    // The system's order, unsorted: the list a bench user sees in other serial tools.
    QList<PortInfo> ports = m_ports;
    for (PortInfo extra : m_extras) {
        const auto same = [&](const PortInfo &port) { return port.path == extra.path; };
        if (std::any_of(ports.cbegin(), ports.cend(), same))
            continue;
        // A link to an adapter (/dev/serial/by-id/…) is described as the adapter.
        const QString target = QFileInfo(extra.path).canonicalFilePath();
        for (const PortInfo &port : std::as_const(m_ports)) {
            if (extra.description.isEmpty() && !target.isEmpty() && port.path == target) {
                extra.description = port.description;
                extra.manufacturer = port.manufacturer;
                extra.serialNumber = port.serialNumber;
            }
        }
        ports << extra;
    }

    QStringList texts{noDeviceTitle};
    QStringList paths{QString()};
    for (const PortInfo &port : std::as_const(ports)) {
        texts << itemText(port);
        paths << port.path;
    }
    const QString current
        = m_ttySelect->currentIndex() > 0 ? m_ttySelect->currentData().toString() : m_selected;
    const QSignalBlocker quiet(m_ttySelect);
    const int rowsBefore = m_ttySelect->count();
    // Row by row, so that a list open meanwhile stays usable: a port that
    // stays keeps its row under the pointer, gone ones go, new ones come in
    // where they belong.
    for (int row = m_ttySelect->count() - 1; row > 0; --row) {
        if (!paths.contains(m_ttySelect->itemData(row).toString()))
            m_ttySelect->removeItem(row);
    }
    for (int row = 0; row < paths.size(); ++row) {
        const bool there
            = row < m_ttySelect->count() && m_ttySelect->itemData(row).toString() == paths[row];
        if (!there) {
            const int moved = m_ttySelect->findData(paths[row]);
            if (moved > row)
                m_ttySelect->removeItem(moved);
            m_ttySelect->insertItem(row, texts[row], paths[row]);
        } else if (m_ttySelect->itemText(row) != texts[row]) {
            m_ttySelect->setItemText(row, texts[row]);
        }
        m_ttySelect->setItemData(row, texts[row], Qt::ToolTipRole);
    }
    // A port that went away leaves the placeholder selected, until it is back;
    // the line itself is not touched here.
    m_ttySelect->setCurrentIndex(std::max(0, m_ttySelect->findData(current)));
    // The open list as wide as its longest item (once the window is up: the
    // list is made when first asked for).
    if (m_listed) {
        QAbstractItemView *view = m_ttySelect->view();
        view->setMinimumWidth(view->sizeHintForColumn(0)
                              + view->verticalScrollBar()->sizeHint().width()
                              + 2 * view->frameWidth());
        // An open list keeps the height it opened with: open it again to fit.
        if (view->isVisible() && m_ttySelect->count() != rowsBefore) {
            m_ttySelect->hidePopup();
            m_ttySelect->showPopup();
        }
    }
}
