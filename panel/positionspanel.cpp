#include "positionspanel.h"
#include "ui_windowcontroller.h"

#include "link/sendqueue.h"

using camdeck::sendCommand16;
using camdeck::sendCommand8;

namespace {

// The H and V sliders run 0 to 15 and are shown as offsets around 6.
QString offsetText(int value)
{
    return QString::number(value * 10 - 60);
}

// Both nibbles of an H or V register; a value above 15 spills into the other
// nibble and only the low byte goes out.
int nibbles(const QSlider *sdv, const QSlider *hdv)
{
    return (hdv->value() << 4) | sdv->value();
}

} // namespace

PositionsPanel::PositionsPanel(Ui::WindowController &ui, camdeck::SendQueue &line)
    : m_ui(ui)
    , m_line(line)
{
    connect(ui.autopanxsliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::autopanxsliderPicked);
    connect(ui.autopanysliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::autopanysliderPicked);
    connect(ui.magnitudesliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::magnitudesliderPicked);
    connect(ui.xpositionsliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::xpositionsliderPicked);
    connect(ui.ypositionsliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::ypositionsliderPicked);
    connect(ui.crosshairxpositionsliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::crosshairxpositionsliderPicked);
    connect(ui.crosshairypositionsliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::crosshairypositionsliderPicked);
    connect(ui.SDV_H_sliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::SDV_H_sliderPicked);
    connect(ui.HDV_H_sliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::HDV_H_sliderPicked);
    connect(ui.SDV_V_sliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::SDV_V_sliderPicked);
    connect(ui.HDV_V_sliderSelect, &QSlider::valueChanged, this,
            &PositionsPanel::HDV_V_sliderPicked);

    connect(ui.textSelect, &QCheckBox::clicked, this, &PositionsPanel::textPicked);
    connect(ui.textpositionSelect, &QComboBox::activated, this,
            &PositionsPanel::textpositionPicked);
    connect(ui.textupdateSelect, &QPushButton::clicked, this, &PositionsPanel::textupdatePicked);
}

// Each handler shows the value before it sends it.
void PositionsPanel::autopanxsliderPicked(int value)
{
    m_ui.autopanxslidervalue->setText(QString::number(value));
    sendCommand8(m_line, 5, 7, value);
}

void PositionsPanel::autopanysliderPicked(int value)
{
    m_ui.autopanyslidervalue->setText(QString::number(value));
    sendCommand8(m_line, 5, 8, value);
}

void PositionsPanel::magnitudesliderPicked(int value)
{
    m_ui.magnificationslidervalue->setText(QString::number(value));
    sendCommand16(m_line, 5, 1, value);
}

void PositionsPanel::xpositionsliderPicked(int value)
{
    m_ui.magxposslidervalue->setText(QString::number(value));
    sendCommand16(m_line, 5, 3, value);
}

void PositionsPanel::ypositionsliderPicked(int value)
{
    m_ui.magyposslidervalue->setText(QString::number(value));
    sendCommand16(m_line, 5, 5, value);
}

void PositionsPanel::crosshairxpositionsliderPicked(int value)
{
    m_ui.crossxposslidervalue->setText(QString::number(value));
    sendCommand16(m_line, 8, 3, value);
}

void PositionsPanel::crosshairypositionsliderPicked(int value)
{
    m_ui.crossyposslidervalue->setText(QString::number(value));
    sendCommand16(m_line, 8, 5, value);
}

void PositionsPanel::SDV_H_sliderPicked()
{
    m_ui.SDV_H_slidervalue->setText(offsetText(m_ui.SDV_H_sliderSelect->value()));
    sendH();
}

void PositionsPanel::HDV_H_sliderPicked()
{
    m_ui.HDV_H_slidervalue->setText(offsetText(m_ui.HDV_H_sliderSelect->value()));
    sendH();
}

void PositionsPanel::SDV_V_sliderPicked()
{
    m_ui.SDV_V_slidervalue->setText(offsetText(m_ui.SDV_V_sliderSelect->value()));
    sendV();
}

void PositionsPanel::HDV_V_sliderPicked()
{
    m_ui.HDV_V_slidervalue->setText(offsetText(m_ui.HDV_V_sliderSelect->value()));
    sendV();
}

void PositionsPanel::sendH()
{
    sendCommand8(m_line, 3, 4, nibbles(m_ui.SDV_H_sliderSelect, m_ui.HDV_H_sliderSelect));
}

void PositionsPanel::sendV()
{
    sendCommand8(m_line, 3, 5, nibbles(m_ui.SDV_V_sliderSelect, m_ui.HDV_V_sliderSelect));
}

void PositionsPanel::textPicked()
{
    sendTextDisplay();
}

void PositionsPanel::textpositionPicked()
{
    sendTextDisplay();
}

// Register 8/8: bit 0 text shown, bit 1 the position ("Top" is 0, any later item 1).
void PositionsPanel::sendTextDisplay()
{
    const int shown = m_ui.textSelect->isChecked() ? 1 : 0;
    const int position = m_ui.textpositionSelect->currentIndex() > 0 ? 1 : 0;
    sendCommand8(m_line, 8, 8, (position << 1) | shown);
}

// Positions 0 to 23 are registers 8/11 to 8/34. Each UTF-16 unit goes out as its
// low byte, untranslated; positions past the end are cleared. Showing the text
// is 8/8's business, not the upload's.
void PositionsPanel::textupdatePicked()
{
    const QString text = m_ui.textstringSelect->text();
    const camdeck::SendQueue::Job job(m_line, "Uploading text");
    for (int i = 0; i < textPositions; ++i) {
        const int code = i < text.size() ? text.at(i).unicode() & 0xFF : 0x00;
        m_line.send(camdeck::commandFrame8(8, 0x0B + i, code), textFramePause);
    }
}
