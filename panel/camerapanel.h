// What the camera controls do, for every front end alike: the window, a
// script and the bus. Every control of the table takes one path: the value
// it was given is kept where a preset keeps it, the partner rules of the table
// set the controls tied to it, its label is written, and the register it
// shares is composed whole from all the controls at that address and queued.
// A preset recall runs the same path for each of its controls. No Qt.
#pragma once

#include "setup.h"

#include "link/sendqueue.h"
#include "protocol/camera.h"
#include "protocol/jog.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace camdeck {

using protocol::ExposureSettings;

// The controls as the panel sees them: a window's widgets or values kept in memory.
class Controls {
public:
    virtual ~Controls() = default;
    // A check box's state (0 or 1), a slider's position, a pop-up's item index.
    virtual int value(const protocol::Control &control) const = 0;
    // Sets a control the way a partner rule or a recall does: its own action
    // does not run; a slider keeps the value within its range.
    virtual void set(const protocol::Control &control, int value) = 0;
    // Writes the control's value label.
    virtual void show(const protocol::Control &control, const std::string &text) = 0;
};

class CameraPanel {
public:
    // The exposure settings start as the controls do.
    CameraPanel(Controls &controls, SendQueue &line);

    // The control was given a new value (a click, a script): apply it.
    void changed(const protocol::Control &control);

    // Puts the crosshair in the middle: both sliders and labels, one frame.
    void centreCrosshair();
    // The 24 positions of the on-screen text, one frame each, positions past
    // the end cleared. Text that protocol::textProblem refuses is not sent:
    // the reason comes back, else "".
    std::string uploadText(std::u16string_view text);
    // Mask pattern 0 to 4 (0 clears the masks).
    void drawMask(int pattern);
    void setSwitch(const protocol::Switch &which, bool on);

    // The drive moves until the stop; it needs no pause after a move.
    void jog(JogDirection direction);
    // Stops the drive and asks how far the move went, 0.5 s later: travel is
    // empty when the answer is not two bytes. What is queued after the stop
    // waits for the answer.
    using TravelHandler = std::function<void(std::optional<int> travel, const Bytes &reply)>;
    void stopJog(TravelHandler handler);

    // Puts exposure settings on their controls and sends them: each setting's
    // controls in the order of the settings, each given the value the ones
    // before it left (switching ALC on has already put the fixed shutter on).
    void recall(const ExposureSettings &settings);
    // The exposure and gain settings last applied, which a save stores.
    const ExposureSettings &exposure() const { return m_exposure; }

    // Every control as it stands, in the table's order, each as a change of
    // it sends; then the switches, the text and the mask as last sent (the
    // camera after a power cycle has none of it): one job, "Sending all settings".
    void sendAll();
    // The controls, switches, text and mask as they stand.
    Setup setup() const;
    // Puts a setup on the controls and keeps its switches, text and mask,
    // sending nothing (a window coming back as it was left), then as
    // sendAll() when send.
    void take(const Setup &setup, bool send);

private:
    void apply(const protocol::Control &control, int value);
    int valueOf(const protocol::Control &control) const;
    void keep(const protocol::Control &control, int value);
    void send(protocol::Address address);

    Controls &m_controls;
    SendQueue &m_line;
    ExposureSettings m_exposure{};
    // What the camera was last sent of what no control keeps.
    std::vector<bool> m_switches = std::vector<bool>(protocol::switches().size());
    std::u16string m_text;
    int m_mask = 0;
};

} // namespace camdeck
