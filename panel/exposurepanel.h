// The exposure group: ALC, fixed shutter and AES with their sliders, slow
// shutter, the gain / slow-shutter priority pair, and the BLC, AGC and FLC
// switches. The processing methods hold the behaviour, for the controls' own
// actions and for a preset recall alike: a flag method sets only its partners'
// check boxes, a value method reads its slider. Each sends one camera frame.
#pragma once

#include "link/sendqueue.h"
#include "presets/presetslot.h"

#include <QObject>
#include <span>

class QLabel;
class QSlider;

namespace Ui {
class WindowController;
}

class ExposurePanel : public QObject {
    Q_OBJECT

public:
    ExposurePanel(Ui::WindowController &ui, camdeck::SendQueue &line,
                  camdeck::ExposureState &exposureState, QObject *parent = nullptr);

    void alc_flg_process(int flag);
    void alc_val_process(int ignored);
    void fsh_flg_process(int flag);
    void fsh_val_process(int ignored);
    void aes_flg_process(int flag);
    void aes_val_process(int ignored);
    void ssh_flg_process(int flag);
    void ssh_val_process(int ignored);
    void priority_agc_process(int flag);
    void priority_slowshutter_process(int flag);

private:
    void alcPicked(bool checked) { alc_flg_process(checked); }
    void alcsliderPicked() { alc_val_process(0); }
    void fixedshutterPicked(bool checked) { fsh_flg_process(checked); }
    void fixedshuttersliderPicked() { fsh_val_process(0); }
    void aesPicked(bool checked) { aes_flg_process(checked); }
    void aessliderPicked() { aes_val_process(0); }
    void slowshutterPicked(bool checked) { ssh_flg_process(checked); }
    void slowshuttersliderPicked() { ssh_val_process(0); }
    void priorityagcPicked(bool checked) { priority_agc_process(checked); }
    void priorityslowshutterPicked(bool checked) { priority_slowshutter_process(checked); }
    void blcPicked(bool checked);
    void agcPicked(bool checked);
    void flcPicked(bool checked);

    int sendLevel(QSlider *slider, QLabel *label, std::uint8_t index);
    int sendSpeed(QSlider *slider, QLabel *label, std::span<const char *const> speeds,
                  std::uint8_t index);
    void sendSwitch(std::uint8_t command, bool on);

    Ui::WindowController &ui;
    camdeck::SendQueue &m_line;
    camdeck::ExposureState &m_state;
};
