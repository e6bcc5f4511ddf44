// The preset and save buttons: Preset N recalls slot N onto the controls and
// the camera (also Alt+N, from anywhere in the window), Save N stores the
// settings last applied in slot N and its file.
#pragma once

#include "panel/presetbank.h"

#include <QObject>
#include <QString>

class QWidget;

class PresetButtons : public QObject {
    Q_OBJECT

public:
    PresetButtons(QWidget *window, camdeck::PresetBank &presets, QObject *parent = nullptr);

    // As Save N does: the slot and its file, and what came of it said.
    camdeck::PresetSave save(int slot);

signals:
    // What a save came to, for the status bar.
    void saved(const QString &message);

private:
    camdeck::PresetBank &m_presets;
};
