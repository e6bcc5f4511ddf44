#include "gaincolourpanel.h"
#include "controls.h"
#include "sharedregisters.h"
#include "ui_windowcontroller.h"

using namespace camdeck;

GainColourPanel::GainColourPanel(Ui::WindowController &ui, SendQueue &line,
                                 ExposureState &exposureState, QObject *parent)
    : QObject(parent)
    , ui(ui)
    , m_line(line)
    , m_state(exposureState)
    // The UV matrix takes a signed byte: the slider's middle, 128, is 0.
    , m_colourSliders{{
          {ui.atwsliderSelect, ui.atwslidervalue, 2, "%d%%", 5, -40, 0},
          {ui.awbsliderSelect, ui.awbslidervalue, 3, "%d%%", 5, -40, 0},
          {ui.colorsuppresssliderSelect, ui.colorsuppressslidervalue, 1, "%d%%", 10, 0, 0},
          {ui.colorgainsliderSelect, ui.colorgainslidervalue, 4, "%d", 1, -16, 0},
          {ui.colortonerysliderSelect, ui.colortoneryslidervalue, 5, "%d%%", 5, -40, 0},
          {ui.colortonebysliderSelect, ui.colortonebyslidervalue, 6, "%d%%", 5, -40, 0},
          {ui.uvmatrix_UR_sliderSelect, ui.uvmatrixURslidervalue, 0x13, "%d", 1, -128, -128},
          {ui.uvmatrix_UG_sliderSelect, ui.uvmatrixUGslidervalue, 0x14, "%d", 1, -128, -128},
          {ui.uvmatrix_UB_sliderSelect, ui.uvmatrixUBslidervalue, 0x15, "%d", 1, -128, -128},
          {ui.uvmatrix_VR_sliderSelect, ui.uvmatrixVRslidervalue, 0x16, "%d", 1, -128, -128},
          {ui.uvmatrix_VG_sliderSelect, ui.uvmatrixVGslidervalue, 0x17, "%d", 1, -128, -128},
          {ui.uvmatrix_VB_sliderSelect, ui.uvmatrixVBslidervalue, 0x18, "%d", 1, -128, -128},
      }}
{
    connect(ui.autogainSelect, &QCheckBox::clicked, this, &GainColourPanel::autoggainPicked);
    connect(ui.autogainsliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::autoggainsliderPicked);
    connect(ui.manualSelect, &QCheckBox::clicked, this, &GainColourPanel::manualPicked);
    connect(ui.manualsliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::manualsliderPicked);
    connect(ui.peakcontrolSelect, &QCheckBox::clicked, this, &GainColourPanel::peakcontrolPicked);
    connect(ui.peakcontrolsliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::peakcontrolsliderPicked);
    connect(ui.atwSelect, &QCheckBox::clicked, this, &GainColourPanel::atwPicked);
    connect(ui.awbSelect, &QCheckBox::clicked, this, &GainColourPanel::awbPicked);
    connect(ui.atwsliderSelect, &QSlider::valueChanged, this, &GainColourPanel::atwsliderPicked);
    connect(ui.awbsliderSelect, &QSlider::valueChanged, this, &GainColourPanel::awbsliderPicked);
    connect(ui.colorsuppresssliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::colorsuppresssliderPicked);
    connect(ui.colorgainsliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::colorgainsliderPicked);
    connect(ui.colortonerysliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::colortonerysliderPicked);
    connect(ui.colortonebysliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::colortonebysliderPicked);
    connect(ui.uvmatrix_UR_sliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::uvmatrixURsliderPicked);
    connect(ui.uvmatrix_UG_sliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::uvmatrixUGsliderPicked);
    connect(ui.uvmatrix_UB_sliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::uvmatrixUBsliderPicked);
    connect(ui.uvmatrix_VR_sliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::uvmatrixVRsliderPicked);
    connect(ui.uvmatrix_VG_sliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::uvmatrixVGsliderPicked);
    connect(ui.uvmatrix_VB_sliderSelect, &QSlider::valueChanged, this,
            &GainColourPanel::uvmatrixVBsliderPicked);
}

// Automatic and manual gain exclude each other; the camera knows only the first.
void GainColourPanel::agc_flg_process(int flag)
{
    m_state.agc_flg = flag;
    m_state.mgc_flg = flag != 0 ? 0 : 1;
    setChecked(ui.manualSelect, flag == 0);
    sendGainShutterMode(m_line, m_state);
}

void GainColourPanel::agc_val_process(int)
{
    m_state.agc_val = sendGain(ui.autogainsliderSelect, ui.autogainslidervalue, 5);
}

void GainColourPanel::mgc_flg_process(int flag)
{
    m_state.mgc_flg = flag;
    m_state.agc_flg = flag != 0 ? 0 : 1;
    setChecked(ui.autogainSelect, flag == 0);
    sendGainShutterMode(m_line, m_state);
}

void GainColourPanel::mgc_val_process(int)
{
    m_state.mgc_val = sendGain(ui.manualsliderSelect, ui.manualslidervalue, 6);
}

// The label shows the gain in decibels; the camera gets the position.
int GainColourPanel::sendGain(QSlider *slider, QLabel *label, std::uint8_t index)
{
    const int position = slider->value();
    label->setText(QString::asprintf("%ddB", 2 * position));
    sendCommand8(m_line, 2, index, position);
    return position;
}

void GainColourPanel::peakcontrol_flg_process(int flag)
{
    m_state.peakcontrol_flg = flag != 0 ? 1 : 0;
    sendPeakControl(m_line, m_state);
}

void GainColourPanel::peakcontrol_val_process(int)
{
    const int position = ui.peakcontrolsliderSelect->value();
    m_state.peakcontrol_val = position;
    ui.peakcontrolslidervalue->setText(QString::asprintf("%d%%", 10 * position + 10));
    sendPeakControl(m_line, m_state);
}

// ATW and AWB are the two sides of one switch.
void GainColourPanel::atwPicked(bool checked)
{
    setChecked(ui.awbSelect, !checked);
    sendColourMode();
}

void GainColourPanel::awbPicked(bool checked)
{
    setChecked(ui.atwSelect, !checked);
    sendColourMode();
}

void GainColourPanel::sendColourMode()
{
    sendWhiteBalanceColourMode(m_line, ui.colormodeSelect->currentIndex(),
                               ui.atwSelect->isChecked());
}

void GainColourPanel::colourSliderPicked(ColourRow row)
{
    const ColourSlider &c = m_colourSliders[row];
    const int position = c.slider->value();
    c.label->setText(QString::asprintf(c.format, c.scale * position + c.offset));
    // Only the low byte goes out: -128 becomes 0x80.
    sendCommand8(m_line, 4, c.index, position + c.dataOffset);
}
