// What the camera controls do, for the window and for scripts alike. Every
// control of the table takes one path: its value is read, its label written,
// and the register it shares is composed whole from all the controls at that
// address and queued. The rules that tie controls together (ALC, fixed
// shutter and AES; automatic and manual gain; ATW and AWB; the priority pair)
// are the steps below, which a preset recall runs too. No Qt.
#pragma once

#include "link/sendqueue.h"
#include "presets/presetslot.h"
#include "protocol/camera.h"

#include <string>
#include <string_view>

namespace camdeck {

// The controls as the panel sees them: a window's widgets or a script's values.
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

// The control of the table with this key; aborts on a key it does not have
// (a misspelt key in the code, not something a user can cause).
const protocol::Control &control(std::string_view key);

class CameraPanel {
public:
    CameraPanel(Controls &controls, SendQueue &line, ExposureState &state);

    // The user changed this control.
    void picked(const protocol::Control &control);

    // The exposure and gain steps. A flag step is given the flag, stores it,
    // sets only its partners' check boxes and sends its register; a level step
    // reads its slider, keeps the value, writes the label and sends.
    void alc_flg_process(int flag);
    void alc_val_process(int) { valueStep("alc-level"); }
    void fsh_flg_process(int flag);
    void fsh_val_process(int) { valueStep("fixed-shutter-speed"); }
    void aes_flg_process(int flag);
    void aes_val_process(int) { valueStep("aes-level"); }
    void ssh_flg_process(int flag);
    void ssh_val_process(int) { valueStep("slow-shutter-speed"); }
    void priority_agc_process(int flag);
    void priority_slowshutter_process(int flag);
    void agc_flg_process(int flag);
    void agc_val_process(int) { valueStep("auto-gain-level"); }
    void mgc_flg_process(int flag);
    void mgc_val_process(int) { valueStep("manual-gain-level"); }
    void peakcontrol_flg_process(int flag);
    void peakcontrol_val_process(int) { valueStep("peak-level"); }
    // The white-balance pair: each sets the other opposite and sends 4/0.
    void atwPicked(int state);
    void awbPicked(int state);

    // Puts the crosshair in the middle: both sliders and labels, one frame.
    void centerPicked();
    // The 24 positions of the on-screen text, one frame each: a UTF-16 unit
    // goes out as its low byte, positions past the end are cleared.
    void textupdatePicked(std::u16string_view text);
    // Mask pattern 0 to 4 (0 clears the masks).
    void maskPicked(int pattern);
    void switchPicked(const protocol::Switch &which, bool on);

    // Puts a preset on the sixteen exposure and gain controls and sends its
    // sixteen commands, each flag step given its flag as the steps before it
    // left it.
    void LoadSlot(const PresetSlot &slot);

private:
    int valueOf(const protocol::Control &control) const;
    int &field(int stateField);
    void setPartner(const char *key, int value) { m_controls.set(control(key), value); }
    void valueStep(const char *key) { picked(control(key)); }
    void send(protocol::Address address);

    Controls &m_controls;
    SendQueue &m_line;
    ExposureState &m_state;
};

} // namespace camdeck
