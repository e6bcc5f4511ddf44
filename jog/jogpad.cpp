#include "jogpad.h"
#include "ui_windowcontroller.h"

#include "link/sendqueue.h"

#include <QKeyEvent>
#include <QLocale>

#include <algorithm>
#include <cstdlib>
#include <utility>

using camdeck::JogDirection;

JogPad::JogPad(Ui::WindowController &ui, camdeck::SendQueue &line, QObject *parent)
    : QObject(parent)
    , m_ui(ui)
    , m_line(line)
{
    connect(ui.buttonRight, &QPushButton::clicked, this, &JogPad::goRight);
    connect(ui.buttonLeft, &QPushButton::clicked, this, &JogPad::goLeft);
    connect(ui.buttonBack, &QPushButton::clicked, this, &JogPad::goBack);
    connect(ui.buttonForward, &QPushButton::clicked, this, &JogPad::goForward);
    connect(ui.buttonStop, &QPushButton::clicked, this, &JogPad::goStop);
    connect(ui.speedSlide, &QSlider::valueChanged, this, &JogPad::speedChange);

    for (QPushButton *button :
         {ui.buttonRight, ui.buttonLeft, ui.buttonBack, ui.buttonForward, ui.buttonStop})
        button->installEventFilter(this);
}

// With the pad focused the arrows jog and Space stops, whichever of its
// buttons has the focus (Space would otherwise press that button). A held key
// repeats; the drive gets one packet per press.
bool JogPad::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const std::pair<int, QPushButton *> keys[] = {
        {Qt::Key_Right, m_ui.buttonRight}, {Qt::Key_Left, m_ui.buttonLeft},
        {Qt::Key_Up, m_ui.buttonForward},  {Qt::Key_Down, m_ui.buttonBack},
        {Qt::Key_Space, m_ui.buttonStop},
    };
    const auto found = std::find_if(std::begin(keys), std::end(keys),
                                    [key](const auto &k) { return k.first == key->key(); });
    if (found == std::end(keys))
        return QObject::eventFilter(watched, event);
    QPushButton *target = found->second;
    if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier)
        return QObject::eventFilter(watched, event);
    if (!key->isAutoRepeat())
        target->click();
    return true;
}

void JogPad::goRight()
{
    move(m_ui.buttonRight, JogDirection::Right);
}

void JogPad::goLeft()
{
    move(m_ui.buttonLeft, JogDirection::Left);
}

void JogPad::goBack()
{
    move(m_ui.buttonBack, JogDirection::Back);
}

void JogPad::goForward()
{
    move(m_ui.buttonForward, JogDirection::Forward);
}

// The pressed button takes the keyboard focus from whatever was being edited,
// such as the on-screen text. The drive needs no pause after a move.
void JogPad::move(QPushButton *button, JogDirection direction)
{
    button->setFocus(Qt::OtherFocusReason);
    m_line.send(camdeck::jogPacket(direction), std::chrono::milliseconds(0));
}

void JogPad::goStop()
{
    m_ui.buttonStop->setFocus(Qt::OtherFocusReason);
    // A travel reply that came too late for the last stop must not pass for
    // the answer to this one.
    m_line.discardInput();
    m_line.send(camdeck::jogPacket(JogDirection::Stop), std::chrono::milliseconds(0));
    // The readouts change when the answer is in; what is queued after the stop
    // waits for it.
    m_line.request(camdeck::Bytes(std::begin(camdeck::travelQuery), std::end(camdeck::travelQuery)),
                   camdeck::travelReplyWait, camdeck::travelReplyMaxRead,
                   [this](const camdeck::ReadResult &reply) {
                       if (const std::optional<int> travel = camdeck::travelFromReply(reply.data))
                           showTravel(*travel);
                   });
}

// The total lives in its field, shown with the locale's grouping. It is summed
// in 64 bits: a long day of moves must not wrap it negative.
void JogPad::showTravel(int travel)
{
    const QLocale locale;
    m_ui.mmDistance->setText(locale.toString(travel));
    bool ok = false;
    qint64 total = locale.toLongLong(m_ui.totalDist->text(), &ok);
    if (!ok)
        total = 0; // nothing readable there: the count starts again
    m_ui.totalDist->setText(locale.toString(total + std::abs(travel)));
}

void JogPad::speedChange(int value)
{
    m_ui.speedCur->setText(QString::number(value));
}
