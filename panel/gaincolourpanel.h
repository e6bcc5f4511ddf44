// The gain and colour group: automatic and manual gain, peak control, the
// ATW / AWB pair, colour suppression, colour gain, the two colour tones and the
// six UV matrix sliders. Gain and peak control are kept in the exposure state
// (so presets hold them) and have processing methods a recall calls; white
// balance and colour are read from their controls, sent and forgotten.
#pragma once

#include "link/sendqueue.h"
#include "presets/presetslot.h"

#include <QObject>
#include <array>

class QLabel;
class QSlider;

namespace Ui {
class WindowController;
}

class GainColourPanel : public QObject {
    Q_OBJECT

public:
    GainColourPanel(Ui::WindowController &ui, camdeck::SendQueue &line,
                    camdeck::ExposureState &exposureState, QObject *parent = nullptr);

    void agc_flg_process(int flag);
    void agc_val_process(int ignored);
    void mgc_flg_process(int flag);
    void mgc_val_process(int ignored);
    void peakcontrol_flg_process(int flag);
    void peakcontrol_val_process(int ignored);

private:
    // A slider that shows scale * position + offset and sends position + dataOffset.
    struct ColourSlider {
        QSlider *slider;
        QLabel *label;
        std::uint8_t index; // register 4/index
        const char *format;
        int scale;
        int offset;
        int dataOffset;
    };
    enum ColourRow { Atw, Awb, ColourSuppress, ColourGain, ToneRY, ToneBY, UR, UG, UB, VR, VG, VB };

    void autoggainPicked(bool checked) { agc_flg_process(checked); }
    void autoggainsliderPicked() { agc_val_process(0); }
    void manualPicked(bool checked) { mgc_flg_process(checked); }
    void manualsliderPicked() { mgc_val_process(0); }
    void peakcontrolPicked(bool checked) { peakcontrol_flg_process(checked); }
    void peakcontrolsliderPicked() { peakcontrol_val_process(0); }
    void atwPicked(bool checked);
    void awbPicked(bool checked);
    void atwsliderPicked() { colourSliderPicked(Atw); }
    void awbsliderPicked() { colourSliderPicked(Awb); }
    void colorsuppresssliderPicked() { colourSliderPicked(ColourSuppress); }
    void colorgainsliderPicked() { colourSliderPicked(ColourGain); }
    void colortonerysliderPicked() { colourSliderPicked(ToneRY); }
    void colortonebysliderPicked() { colourSliderPicked(ToneBY); }
    void uvmatrixURsliderPicked() { colourSliderPicked(UR); }
    void uvmatrixUGsliderPicked() { colourSliderPicked(UG); }
    void uvmatrixUBsliderPicked() { colourSliderPicked(UB); }
    void uvmatrixVRsliderPicked() { colourSliderPicked(VR); }
    void uvmatrixVGsliderPicked() { colourSliderPicked(VG); }
    void uvmatrixVBsliderPicked() { colourSliderPicked(VB); }

    // Register 4/0, the white balance with the colour mode of the picture group.
    void sendColourMode();
    void colourSliderPicked(ColourRow row);
    int sendGain(QSlider *slider, QLabel *label, std::uint8_t index);

    Ui::WindowController &ui;
    camdeck::SendQueue &m_line;
    camdeck::ExposureState &m_state;
    std::array<ColourSlider, 12> m_colourSliders;
};
