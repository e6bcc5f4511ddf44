// The five presets as the panel keeps them: filled from their files when a
// port opens (a missing file is made from its built-in values), recalled onto
// the controls and the camera, saved from the settings last applied. Warnings
// go to the log (camdeck.presets). Qt Core, for the files.
#pragma once

#include "camerapanel.h"
#include "presets/presetstore.h"

#include <array>

namespace camdeck {

class PresetBank {
public:
    PresetBank(CameraPanel &camera, SendQueue &line);

    // Fills the slots from their files, making each missing file from its
    // built-in values with a recall of them, and recalls preset 1.
    void loadFromFiles();
    // Sixteen paced commands: about 1.6 s on the line, none of it here.
    void recall(int slot);
    // Told, on the queue's owner's side, once a recall's last frame is out.
    void setApplied(std::function<void(int slot)> applied) { m_applied = std::move(applied); }
    // The settings last applied, into the slot and its file; the slot keeps
    // them until the program ends even when the file cannot be written.
    PresetSave save(int slot);

private:
    void load(int slot);

    CameraPanel &m_camera;
    SendQueue &m_line;
    std::array<ExposureSettings, presetCount> m_slots{};
    std::function<void(int slot)> m_applied;
};

} // namespace camdeck
