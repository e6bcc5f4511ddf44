#include "exposurepanel.h"
#include "controls.h"
#include "sharedregisters.h"
#include "ui_windowcontroller.h"

#include <array>
#include <span>

using namespace camdeck;

namespace {

// The speed sliders send an index; the camera's speeds for it are these.
constexpr std::array slowShutterSpeeds = {"1/15s", "1/8s", "1/4s", "1/2s", "1s", "2s", "4s", "8s"};
constexpr std::array fixedShutterSpeeds
    = {"1/30s",  "1/50s",  "1/60s",   "1/100s",  "1/120s",  "1/180s",  "1/350s",
       "1/500s", "1/750s", "1/1000s", "1/2000s", "1/4000s", "1/10000s"};

// The direct switches: 80, the switch's command, on or off, 01, 00.
constexpr std::uint8_t blcCommand = 0x86;
constexpr std::uint8_t agcCommand = 0x82;
constexpr std::uint8_t flcCommand = 0x8C;

} // namespace

ExposurePanel::ExposurePanel(Ui::WindowController &ui, SendQueue &line,
                             ExposureState &exposureState, QObject *parent)
    : QObject(parent)
    , ui(ui)
    , m_line(line)
    , m_state(exposureState)
{
    connect(ui.alcSelect, &QCheckBox::clicked, this, &ExposurePanel::alcPicked);
    connect(ui.alcsliderSelect, &QSlider::valueChanged, this, &ExposurePanel::alcsliderPicked);
    connect(ui.fixedshutterSelect, &QCheckBox::clicked, this, &ExposurePanel::fixedshutterPicked);
    connect(ui.fixedshuttersliderSelect, &QSlider::valueChanged, this,
            &ExposurePanel::fixedshuttersliderPicked);
    connect(ui.aesSelect, &QCheckBox::clicked, this, &ExposurePanel::aesPicked);
    connect(ui.aessliderSelect, &QSlider::valueChanged, this, &ExposurePanel::aessliderPicked);
    connect(ui.slowshutterSelect, &QCheckBox::clicked, this, &ExposurePanel::slowshutterPicked);
    connect(ui.slowshuttersliderSelect, &QSlider::valueChanged, this,
            &ExposurePanel::slowshuttersliderPicked);
    connect(ui.priorityagcSelect, &QCheckBox::clicked, this, &ExposurePanel::priorityagcPicked);
    connect(ui.priorityslowshutterSelect, &QCheckBox::clicked, this,
            &ExposurePanel::priorityslowshutterPicked);
    connect(ui.blcSelect, &QCheckBox::clicked, this, &ExposurePanel::blcPicked);
    connect(ui.agcSelect, &QCheckBox::clicked, this, &ExposurePanel::agcPicked);
    connect(ui.flcSelect, &QCheckBox::clicked, this, &ExposurePanel::flcPicked);
}

// ALC works only with the fixed shutter: switching it on leaves AES.
void ExposurePanel::alc_flg_process(int flag)
{
    m_state.alc_flg = flag;
    if (flag != 0) {
        setChecked(ui.fixedshutterSelect, true);
        m_state.fsh_flg = 1;
        setChecked(ui.aesSelect, false);
        m_state.aes_flg = 0;
    }
    sendExposureMode(m_line, m_state);
}

void ExposurePanel::alc_val_process(int)
{
    m_state.alc_val = sendLevel(ui.alcsliderSelect, ui.alcslidervalue, 1);
}

// Fixed shutter and AES are the two sides of one switch.
void ExposurePanel::fsh_flg_process(int flag)
{
    m_state.fsh_flg = flag;
    if (flag != 0) {
        setChecked(ui.aesSelect, false);
        m_state.aes_flg = 0;
    } else {
        setChecked(ui.alcSelect, false);
        m_state.alc_flg = 0;
        setChecked(ui.aesSelect, true);
        m_state.aes_flg = 1;
    }
    sendExposureMode(m_line, m_state);
}

void ExposurePanel::fsh_val_process(int)
{
    m_state.fsh_val
        = sendSpeed(ui.fixedshuttersliderSelect, ui.fixedshutterslidervalue, fixedShutterSpeeds, 3);
}

void ExposurePanel::aes_flg_process(int flag)
{
    m_state.aes_flg = flag;
    if (flag != 0) {
        setChecked(ui.fixedshutterSelect, false);
        m_state.fsh_flg = 0;
        setChecked(ui.alcSelect, false);
        m_state.alc_flg = 0;
    } else {
        setChecked(ui.fixedshutterSelect, true);
        m_state.fsh_flg = 1;
    }
    sendExposureMode(m_line, m_state);
}

void ExposurePanel::aes_val_process(int)
{
    m_state.aes_val = sendLevel(ui.aessliderSelect, ui.aesslidervalue, 2);
}

void ExposurePanel::ssh_flg_process(int flag)
{
    m_state.ssh_flg = flag;
    sendGainShutterMode(m_line, m_state);
}

void ExposurePanel::ssh_val_process(int)
{
    m_state.ssh_val
        = sendSpeed(ui.slowshuttersliderSelect, ui.slowshutterslidervalue, slowShutterSpeeds, 8);
}

// The two priority boxes act as a pair of radio buttons that can also be unticked.
void ExposurePanel::priority_agc_process(int flag)
{
    m_state.priority_flg = flag != 0 ? 0 : 1;
    setChecked(ui.priorityslowshutterSelect, flag == 0);
    sendGainShutterMode(m_line, m_state);
}

void ExposurePanel::priority_slowshutter_process(int flag)
{
    m_state.priority_flg = flag != 0 ? 1 : 0;
    setChecked(ui.priorityagcSelect, flag == 0);
    sendGainShutterMode(m_line, m_state);
}

void ExposurePanel::blcPicked(bool checked)
{
    sendSwitch(blcCommand, checked);
}
void ExposurePanel::agcPicked(bool checked)
{
    sendSwitch(agcCommand, checked);
}
void ExposurePanel::flcPicked(bool checked)
{
    sendSwitch(flcCommand, checked);
}

// The label shows the level as -40% to 40%; the camera gets the position.
int ExposurePanel::sendLevel(QSlider *slider, QLabel *label, std::uint8_t index)
{
    const int position = slider->value();
    label->setText(QString::asprintf("%d%%", 5 * position - 40));
    sendCommand8(m_line, 2, index, position);
    return position;
}

// The camera gets the index, not a time; an index outside the table leaves the
// label as it was.
int ExposurePanel::sendSpeed(QSlider *slider, QLabel *label, std::span<const char *const> speeds,
                             std::uint8_t index)
{
    const int speed = slider->value();
    if (speed >= 0 && speed < static_cast<int>(speeds.size()))
        label->setText(QString::fromLatin1(speeds[static_cast<std::size_t>(speed)]));
    sendCommand8(m_line, 2, index, speed);
    return speed;
}

// The switches are packets, not camera frames: they need no pause after them.
void ExposurePanel::sendSwitch(std::uint8_t command, bool on)
{
    m_line.send(checksumPacket(0x80, command, on ? 1 : 0, 0x01, 0x00),
                std::chrono::milliseconds(0));
}
