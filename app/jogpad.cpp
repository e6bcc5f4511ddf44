#include "jogpad.h"
#include "findchild.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cstdlib>

using camdeck::JogDirection;

namespace {

// The buttons by direction code, and the keys that press them when the pad
// has the focus: the arrows jog, Space stops.
constexpr struct {
    const char *button;
    Qt::Key key;
} pad[] = {
    {"buttonRight", Qt::Key_Right}, {"buttonLeft", Qt::Key_Left},  {"buttonBack", Qt::Key_Down},
    {"buttonForward", Qt::Key_Up},  {"buttonStop", Qt::Key_Space},
};

} // namespace

JogPad::JogPad(QWidget *window, camdeck::CameraPanel &camera, QObject *parent)
    : QObject(parent)
    , m_camera(camera)
    , m_lastMove(requireChild<QLineEdit>(window, QStringLiteral("mmDistance")))
    , m_total(requireChild<QLineEdit>(window, QStringLiteral("totalDist")))
{
    for (std::size_t code = 0; code < std::size(pad); ++code) {
        QPushButton *button = requireChild<QPushButton>(window, QLatin1String(pad[code].button));
        m_buttons[code] = button;
        const auto direction = static_cast<JogDirection>(code);
        // The pressed button takes the keyboard focus from whatever was being
        // edited, such as the on-screen text.
        connect(button, &QPushButton::clicked, this, [this, button, direction] {
            button->setFocus(Qt::OtherFocusReason);
            if (direction == JogDirection::Stop)
                stop();
            else
                m_camera.jog(direction);
        });
        button->installEventFilter(this);
    }
    auto *speed = requireChild<QLineEdit>(window, QStringLiteral("speedCur"));
    connect(requireChild<QSlider>(window, QStringLiteral("speedSlide")), &QSlider::valueChanged,
            speed, [speed](int value) { speed->setText(QString::number(value)); });
    speed->setText(QStringLiteral("45"));
    const QLocale locale;
    m_total->setText(locale.toString(0));
    m_lastMove->setText(locale.toString(0));
}

// Whichever of the pad's buttons has the focus (Space would otherwise press
// that button). A held key repeats; the drive gets one packet per press.
bool JogPad::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const auto found = std::find_if(std::begin(pad), std::end(pad),
                                    [key](const auto &p) { return p.key == key->key(); });
    if (found == std::end(pad)
        || (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier))
        return QObject::eventFilter(watched, event);
    if (!key->isAutoRepeat())
        m_buttons[found - std::begin(pad)]->click();
    return true;
}

// The readouts change when the answer is in; no answer changes nothing.
void JogPad::stop(camdeck::CameraPanel::TravelHandler also)
{
    m_camera.stopJog([this, also](std::optional<int> travel, const camdeck::Bytes &reply) {
        if (travel)
            showTravel(*travel);
        if (also)
            also(travel, reply);
    });
}

// The total lives in its field, shown with the locale's grouping. It is summed
// in 64 bits: a long day of moves must not wrap it negative.
void JogPad::showTravel(int travel)
{
    const QLocale locale;
    m_lastMove->setText(locale.toString(travel));
    bool ok = false;
    qint64 total = locale.toLongLong(m_total->text(), &ok);
    if (!ok)
        total = 0; // nothing readable there: the count starts again
    m_total->setText(locale.toString(total + std::abs(travel)));
}
