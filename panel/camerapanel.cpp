#include "camerapanel.h"

#include "protocol/masks.h"

#include <cstdlib>
#include <string>

namespace camdeck {

using protocol::Control;

namespace {

using Step = void (CameraPanel::*)(int);

// The check boxes whose click runs a rule rather than the plain path.
constexpr struct {
    const char *key;
    Step step;
} ruledChecks[] = {
    {"alc", &CameraPanel::alc_flg_process},
    {"fixed-shutter", &CameraPanel::fsh_flg_process},
    {"aes", &CameraPanel::aes_flg_process},
    {"slow-shutter", &CameraPanel::ssh_flg_process},
    {"gain-priority", &CameraPanel::priority_agc_process},
    {"slow-shutter-priority", &CameraPanel::priority_slowshutter_process},
    {"auto-gain", &CameraPanel::agc_flg_process},
    {"manual-gain", &CameraPanel::mgc_flg_process},
    {"peak-control", &CameraPanel::peakcontrol_flg_process},
    {"atw", &CameraPanel::atwPicked},
    {"awb", &CameraPanel::awbPicked},
};

} // namespace

const Control &control(std::string_view key)
{
    const Control *found = protocol::findControl(key);
    if (!found)
        std::abort();
    return *found;
}

CameraPanel::CameraPanel(Controls &controls, SendQueue &line, ExposureState &state)
    : m_controls(controls)
    , m_line(line)
    , m_state(state)
{
}

void CameraPanel::picked(const Control &c)
{
    const int value = m_controls.value(c);
    for (const auto &rule : ruledChecks) {
        if (std::string_view(rule.key) == c.key) {
            (this->*rule.step)(value);
            return;
        }
    }
    if (c.stateField >= 0)
        field(c.stateField) = value;
    // The label first, then the bytes.
    if (const auto text = protocol::labelText(c, value))
        m_controls.show(c, *text);
    send(c.address);
}

// A register shared by several controls is never cached: its byte is made
// from all of them as they stand now. Exposure settings come from the state
// the steps keep, everything else from the controls.
int CameraPanel::valueOf(const Control &c) const
{
    return c.stateField >= 0 ? m_state.*presetFields[static_cast<std::size_t>(c.stateField)]
                             : m_controls.value(c);
}

int &CameraPanel::field(int stateField)
{
    return m_state.*presetFields[static_cast<std::size_t>(stateField)];
}

void CameraPanel::send(protocol::Address address)
{
    const int data = protocol::compose(address, [this](const Control &c) { return valueOf(c); });
    if (protocol::widthOf(address) == protocol::Width::Word)
        sendCommand16(m_line, address.group, address.index, data);
    else
        sendCommand8(m_line, address.group, address.index, data);
}

// ALC works only with the fixed shutter: switching it on leaves AES.
void CameraPanel::alc_flg_process(int flag)
{
    m_state.alc_flg = flag;
    if (flag != 0) {
        setPartner("fixed-shutter", m_state.fsh_flg = 1);
        setPartner("aes", m_state.aes_flg = 0);
    }
    send(control("alc").address);
}

// Fixed shutter and AES are the two sides of one switch.
void CameraPanel::fsh_flg_process(int flag)
{
    m_state.fsh_flg = flag;
    if (flag != 0) {
        setPartner("aes", m_state.aes_flg = 0);
    } else {
        setPartner("alc", m_state.alc_flg = 0);
        setPartner("aes", m_state.aes_flg = 1);
    }
    send(control("fixed-shutter").address);
}

void CameraPanel::aes_flg_process(int flag)
{
    m_state.aes_flg = flag;
    if (flag != 0) {
        setPartner("fixed-shutter", m_state.fsh_flg = 0);
        setPartner("alc", m_state.alc_flg = 0);
    } else {
        setPartner("fixed-shutter", m_state.fsh_flg = 1);
    }
    send(control("aes").address);
}

void CameraPanel::ssh_flg_process(int flag)
{
    m_state.ssh_flg = flag;
    send(control("slow-shutter").address);
}

// The two priority boxes act as a pair of radio buttons that can also be unticked.
void CameraPanel::priority_agc_process(int flag)
{
    m_state.priority_flg = flag != 0 ? 0 : 1;
    setPartner("slow-shutter-priority", flag == 0);
    send(control("gain-priority").address);
}

void CameraPanel::priority_slowshutter_process(int flag)
{
    m_state.priority_flg = flag != 0 ? 1 : 0;
    setPartner("gain-priority", flag == 0);
    send(control("slow-shutter-priority").address);
}

// Automatic and manual gain exclude each other; the camera knows only the first.
void CameraPanel::agc_flg_process(int flag)
{
    m_state.agc_flg = flag;
    m_state.mgc_flg = flag != 0 ? 0 : 1;
    setPartner("manual-gain", flag == 0);
    send(control("auto-gain").address);
}

void CameraPanel::mgc_flg_process(int flag)
{
    m_state.mgc_flg = flag;
    m_state.agc_flg = flag != 0 ? 0 : 1;
    setPartner("auto-gain", flag == 0);
    send(control("manual-gain").address);
}

void CameraPanel::peakcontrol_flg_process(int flag)
{
    m_state.peakcontrol_flg = flag != 0 ? 1 : 0;
    send(control("peak-control").address);
}

// ATW and AWB are the two sides of one switch, which shares 4/0 with the colour mode.
void CameraPanel::atwPicked(int state)
{
    setPartner("awb", state == 0);
    send(control("atw").address);
}

void CameraPanel::awbPicked(int state)
{
    setPartner("atw", state == 0);
    send(control("awb").address);
}

// One frame for both: the sliders' own actions would send x and y again.
void CameraPanel::centerPicked()
{
    for (const auto &[key, value] : {std::pair{"crosshair-x", protocol::centreX},
                                     std::pair{"crosshair-y", protocol::centreY}}) {
        m_controls.set(control(key), value);
        m_controls.show(control(key), std::to_string(value));
    }
    const protocol::Address at = protocol::crosshairCentre;
    sendCommand32(m_line, at.group, at.index, protocol::centreX, protocol::centreY);
}

// Showing the text is 8/8's business, not the upload's.
void CameraPanel::textupdatePicked(std::u16string_view text)
{
    const SendQueue::Job job(m_line, "Uploading text");
    for (int i = 0; i < protocol::textPositions; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const int code = at < text.size() ? text[at] & 0xFF : 0x00;
        m_line.send(commandFrame8(protocol::textFirst.group,
                                  static_cast<std::uint8_t>(protocol::textFirst.index + i), code),
                    protocol::textFramePause);
    }
}

// Every packet waits its pause, the last one too; masks a pattern leaves out stay hidden.
void CameraPanel::maskPicked(int pattern)
{
    const SendQueue::Job job(m_line,
                             pattern == 0 ? std::string("Clearing the masks")
                                          : "Drawing mask pattern " + std::to_string(pattern));
    for (const Packet &packet : maskSequence(pattern))
        m_line.send(packet, maskPacketPause);
}

// The switches are packets, not camera frames: no pause after them, nothing kept.
void CameraPanel::switchPicked(const protocol::Switch &which, bool on)
{
    m_line.send(checksumPacket(protocol::switchLead, which.code, on ? 1 : 0, 0x01, 0x00),
                std::chrono::milliseconds(0));
}

void CameraPanel::LoadSlot(const PresetSlot &slot)
{
    m_state = slot;
    const ExposureState &s = m_state; // live: the steps below change it

    // The controls first, in the order of the fields, without their actions.
    for (const Control &c : protocol::controls()) {
        if (c.stateField >= 0 && c.kind == protocol::ControlKind::Check)
            m_controls.set(c, field(c.stateField) != 0);
        else if (c.stateField >= 0)
            m_controls.set(c, field(c.stateField));
    }
    setPartner("gain-priority", s.priority_flg == 0);

    // Each flag step takes its flag as the steps before it left it: switching
    // ALC on has already put the fixed shutter on and AES off.
    alc_flg_process(s.alc_flg);
    alc_val_process(0);
    fsh_flg_process(s.fsh_flg);
    fsh_val_process(0);
    aes_flg_process(s.aes_flg);
    aes_val_process(0);
    ssh_flg_process(s.ssh_flg);
    ssh_val_process(0);
    agc_flg_process(s.agc_flg);
    agc_val_process(0);
    mgc_flg_process(s.mgc_flg);
    mgc_val_process(0);
    peakcontrol_flg_process(s.peakcontrol_flg);
    peakcontrol_val_process(0);
    priority_agc_process(s.priority_flg == 0 ? 1 : 0);
    priority_slowshutter_process(s.priority_flg);
}

} // namespace camdeck
