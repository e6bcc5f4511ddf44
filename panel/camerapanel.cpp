#include "camerapanel.h"

#include "protocol/masks.h"

#include <cstdlib>

namespace camdeck {

using protocol::Control;

namespace {

// The control of the table with this key; the rules name only controls it has.
const Control &control(std::string_view key)
{
    const Control *found = protocol::findControl(key);
    if (!found)
        std::abort();
    return *found;
}

bool matches(protocol::PartnerRule::When when, int value)
{
    return when == protocol::PartnerRule::Either
        || (when == protocol::PartnerRule::On) == (value != 0);
}

int inverted(int value)
{
    return value == 0 ? 1 : 0;
}

} // namespace

CameraPanel::CameraPanel(Controls &controls, SendQueue &line)
    : m_controls(controls)
    , m_line(line)
{
    for (const Control &c : protocol::controls()) {
        if (c.keeps.any() && !c.keeps.inverse)
            m_exposure[static_cast<std::size_t>(c.keeps.field)] = c.initial;
    }
}

void CameraPanel::changed(const Control &c)
{
    apply(c, m_controls.value(c));
}

// The one step every control takes, from a click or a recall: keep the value,
// set the partners, write the label, then the bytes.
void CameraPanel::apply(const Control &c, int value)
{
    keep(c, value);
    for (const protocol::PartnerRule &rule : protocol::partnerRules()) {
        if (c.key != std::string_view(rule.key) || !matches(rule.when, value))
            continue;
        const Control &partner = control(rule.partner);
        const int becomes = rule.becomes == protocol::opposite ? inverted(value) : rule.becomes;
        m_controls.set(partner, becomes);
        keep(partner, becomes);
    }
    if (const auto text = protocol::labelText(c, value))
        m_controls.show(c, *text);
    send(c.address);
}

void CameraPanel::keep(const Control &c, int value)
{
    if (c.keeps.any())
        m_exposure[static_cast<std::size_t>(c.keeps.field)]
            = c.keeps.inverse ? inverted(value) : value;
}

// A register shared by several controls is never cached: its byte is made
// from all of them as they stand now. Exposure settings come from what the
// panel keeps, everything else from the controls.
int CameraPanel::valueOf(const Control &c) const
{
    if (!c.keeps.any())
        return m_controls.value(c);
    const int kept = m_exposure[static_cast<std::size_t>(c.keeps.field)];
    return c.keeps.inverse ? inverted(kept) : kept;
}

void CameraPanel::send(protocol::Address address)
{
    const int data = protocol::compose(address, [this](const Control &c) { return valueOf(c); });
    if (protocol::widthOf(address) == protocol::Width::Word)
        sendCommand16(m_line, address.group, address.index, data);
    else
        sendCommand8(m_line, address.group, address.index, data);
}

void CameraPanel::recall(const ExposureSettings &settings)
{
    m_exposure = settings;
    // The controls first, without their actions.
    for (const Control &c : protocol::controls()) {
        if (!c.keeps.any())
            continue;
        const int kept = valueOf(c);
        m_controls.set(c, c.kind == protocol::ControlKind::Check ? kept != 0 : kept);
    }
    // A flag goes as it is kept now; a level as its slider took it.
    for (std::size_t field = 0; field < protocol::exposureFieldCount; ++field) {
        for (const Control &c : protocol::controls()) {
            if (c.keeps.field != static_cast<int>(field))
                continue;
            apply(c, c.kind == protocol::ControlKind::Slider ? m_controls.value(c) : valueOf(c));
        }
    }
}

void CameraPanel::sendAll()
{
    const SendQueue::Job job(m_line, "Sending all settings");
    for (const Control &c : protocol::controls())
        changed(c);
    const auto switches = protocol::switches();
    for (std::size_t i = 0; i < switches.size(); ++i)
        setSwitch(switches[i], m_switches[i]);
    uploadText(std::u16string(m_text));
    drawMask(m_mask);
}

Setup CameraPanel::setup() const
{
    Setup setup{{}, {}, m_text, m_mask};
    for (const Control &c : protocol::controls())
        setup.controls.emplace_back(&c, m_controls.value(c));
    const auto switches = protocol::switches();
    for (std::size_t i = 0; i < switches.size(); ++i)
        setup.switches.emplace_back(&switches[i], m_switches[i]);
    return setup;
}

void CameraPanel::take(const Setup &setup, bool send)
{
    for (const auto &[control, value] : setup.controls) {
        m_controls.set(*control, value);
        if (const auto text = protocol::labelText(*control, value))
            m_controls.show(*control, *text);
    }
    // What the boxes show now is what a preset would keep.
    for (const Control &c : protocol::controls()) {
        if (c.keeps.any() && !c.keeps.inverse)
            m_exposure[static_cast<std::size_t>(c.keeps.field)] = m_controls.value(c);
    }
    for (const auto &[which, on] : setup.switches)
        m_switches[std::size_t(which - protocol::switches().data())] = on;
    m_text = setup.text.value_or(m_text);
    m_mask = setup.mask.value_or(m_mask);
    if (send)
        sendAll();
}

// One frame for both: the sliders' own actions would send x and y again.
void CameraPanel::centreCrosshair()
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
std::string CameraPanel::uploadText(std::u16string_view text)
{
    std::string problem = protocol::textProblem(text);
    if (!problem.empty())
        return problem;
    m_text = text;
    const SendQueue::Job job(m_line, "Uploading text");
    for (int i = 0; i < protocol::textPositions; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const int code = at < text.size() ? text[at] : 0x00;
        m_line.send(commandFrame8(protocol::textFirst.group,
                                  static_cast<std::uint8_t>(protocol::textFirst.index + i), code),
                    protocol::textFramePause);
    }
    return {};
}

// Every packet waits its pause, the last one too.
void CameraPanel::drawMask(int pattern)
{
    const auto patterns = maskPatterns();
    if (pattern < 0 || pattern >= static_cast<int>(patterns.size()))
        return;
    m_mask = pattern;
    const SendQueue::Job job(m_line,
                             pattern == 0 ? std::string("Clearing the masks")
                                          : std::string("Drawing mask “")
                                     + patterns[static_cast<std::size_t>(pattern)].title + "”");
    for (const Packet &packet : maskSequence(pattern))
        m_line.send(packet, maskPacketPause);
}

// The switches are packets, not camera frames: no pause after them, nothing kept.
void CameraPanel::setSwitch(const protocol::Switch &which, bool on)
{
    m_switches[std::size_t(&which - protocol::switches().data())] = on;
    m_line.send(protocol::switchPacket(which, on), std::chrono::milliseconds(0));
}

void CameraPanel::jog(JogDirection direction)
{
    if (direction == JogDirection::Stop)
        return stopJog({});
    m_line.send(jogPacket(direction), std::chrono::milliseconds(0));
}

void CameraPanel::stopJog(TravelHandler handler)
{
    // A travel reply that came too late for the last stop must not pass for
    // the answer to this one.
    m_line.discardInput();
    m_line.send(jogPacket(JogDirection::Stop), std::chrono::milliseconds(0));
    m_line.request(Bytes(travelQuery.begin(), travelQuery.end()), travelReplyWait,
                   travelReplyMaxRead, [handler = std::move(handler)](const ReadResult &reply) {
                       if (handler)
                           handler(travelFromReply(reply.data), reply.data);
                   });
}

} // namespace camdeck
