// The five presets: the save and preset buttons, recalling a slot onto the
// exposure and gain controls and the camera, and loading the slots from their
// files (creating missing files from the built-in values) when a port opens.
#pragma once

#include "link/sendqueue.h"
#include "presetslot.h"

#include <QObject>
#include <QString>

namespace camdeck {
class CameraPanel;
}

namespace Ui {
class WindowController;
}

class PresetPanel : public QObject {
    Q_OBJECT

public:
    PresetPanel(Ui::WindowController &ui, camdeck::SendQueue &line,
                camdeck::ExposureState &exposureState, camdeck::CameraPanel &camera,
                QObject *parent = nullptr);

    // Puts the slot on the sixteen controls and sends its sixteen commands.
    void LoadSlot(int slot);
    // Loads the five files into the slots and recalls slot 0.
    void InitialiseSlots();
    // Fills the slot and the exposure state from the slot's file; a missing file
    // is first created from the slot's built-in values, once.
    void LoadFile(const QString &fileName, int slot);
    // Copies the exposure state into the slot and replaces the slot's file.
    void SaveFile(const QString &fileName, int slot);

signals:
    // A save that did not reach its file (the slot still holds the values).
    void saveFailed(int slot, const QString &reason);

private:
    void loadFile(const QString &fileName, int slot, bool mayCreate);
    void logContent(const QString &fileName, const std::string &text) const;

    camdeck::SendQueue &m_line;
    camdeck::ExposureState &m_state;
    camdeck::CameraPanel &m_camera;
    camdeck::PresetSlots m_presetSlots{};
};
