#include "controlbinding.h"
#include "findchild.h"

#include "protocol/masks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QUrl>

Q_LOGGING_CATEGORY(lcPanel, "camdeck.panel", QtInfoMsg)

using camdeck::protocol::Control;
namespace protocol = camdeck::protocol;

namespace {

// Chosen at build time (CAMDECK_WEBSITE_URL in CMake).
constexpr char websiteAddress[] = CAMDECK_WEBSITE_URL;

template<class T> T *child(QWidget *window, const char *name)
{
    return requireChild<T>(window, QLatin1String(name));
}

} // namespace

ControlBinding::ControlBinding(QWidget *window, camdeck::SendQueue &line, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_panel(*this, line)
{
    for (const Control &c : protocol::controls())
        build(c);

    for (const protocol::Switch &s : protocol::switches()) {
        auto *box = child<QCheckBox>(window, s.outlet);
        box->setToolTip(QString::fromStdString(protocol::describeSwitch(s)));
        connect(box, &QCheckBox::clicked, this,
                [this, &s](bool checked) { m_panel.setSwitch(s, checked); });
    }
    const auto patterns = camdeck::maskPatterns();
    for (int pattern = 0; pattern < static_cast<int>(patterns.size()); ++pattern) {
        const QByteArray name = "maskbutton" + QByteArray::number(pattern) + "Select";
        auto *button = child<QPushButton>(window, name.constData());
        button->setText(QString::fromUtf8(patterns[static_cast<std::size_t>(pattern)].title));
        connect(button, &QPushButton::clicked, this,
                [this, pattern] { m_panel.drawMask(pattern); });
    }
    connect(child<QPushButton>(window, "centerSelect"), &QPushButton::clicked, this,
            [this] { m_panel.centreCrosshair(); });
    auto *text = child<QLineEdit>(window, "textstringSelect");
    connect(child<QPushButton>(window, "textupdateSelect"), &QPushButton::clicked, this,
            [this, text] {
                const std::string problem = m_panel.uploadText(text->text().toStdU16String());
                if (!problem.empty())
                    emit refused(tr("Text not sent: %1").arg(QString::fromStdString(problem)));
            });
    connect(child<QPushButton>(window, "websiteSelect"), &QPushButton::clicked, this, [] {
        const QUrl address(QString::fromLatin1(websiteAddress));
        if (!QDesktopServices::openUrl(address))
            qCWarning(lcPanel).noquote() << "Could not open" << address.toString();
    });
}

// Only the user's own actions reach the panel: a slider reports when it is
// let go, a pop-up when an item is picked, a check box when it is clicked.
void ControlBinding::build(const Control &c)
{
    QWidget *w = child<QWidget>(m_window, c.outlet);
    m_widgets[&c] = w;
    if (*c.label)
        m_labels[&c] = child<QLabel>(m_window, c.label);
    w->setToolTip(QString::fromStdString(protocol::describeControl(c)));
    const auto changed = [this, &c] {
        emit this->changed(c, value(c));
        m_panel.changed(c);
    };
    if (auto *slider = qobject_cast<QSlider *>(w)) {
        slider->setRange(c.min, c.max);
        slider->setTracking(false);
        connect(slider, &QSlider::valueChanged, this, changed);
    } else if (auto *popup = qobject_cast<QComboBox *>(w)) {
        for (const char *item : c.display.names)
            popup->addItem(QString::fromUtf8(item));
        connect(popup, &QComboBox::activated, this, changed);
    } else if (auto *box = qobject_cast<QCheckBox *>(w)) {
        connect(box, &QCheckBox::clicked, this, changed);
    }
    set(c, c.initial);
    if (const auto text = protocol::labelText(c, c.initial))
        show(c, *text);
}

QWidget *ControlBinding::widget(const Control &c) const
{
    return m_widgets.at(&c);
}

int ControlBinding::value(const Control &c) const
{
    QWidget *w = widget(c);
    if (auto *slider = qobject_cast<QSlider *>(w))
        return slider->value();
    if (auto *popup = qobject_cast<QComboBox *>(w))
        return popup->currentIndex();
    return static_cast<QCheckBox *>(w)->isChecked() ? 1 : 0;
}

void ControlBinding::set(const Control &c, int value)
{
    QWidget *w = widget(c);
    const int before = this->value(c);
    {
        const QSignalBlocker quiet(w);
        if (auto *slider = qobject_cast<QSlider *>(w))
            slider->setValue(value);
        else if (auto *popup = qobject_cast<QComboBox *>(w))
            popup->setCurrentIndex(value);
        else
            static_cast<QCheckBox *>(w)->setChecked(value != 0);
    }
    if (this->value(c) != before)
        emit changed(c, this->value(c));
}

void ControlBinding::show(const Control &c, const std::string &text)
{
    const auto found = m_labels.find(&c);
    if (found != m_labels.end())
        found->second->setText(QString::fromStdString(text));
}
