// The position sliders (magnification, autopan, crosshair, the sdv and hdv H
// and V offsets) with their value labels, and the on-screen text: its switch,
// its position and the upload of the typed text.
#pragma once

#include <QObject>

#include <chrono>

namespace Ui {
class WindowController;
}
namespace camdeck {
class SendQueue;
}

class PositionsPanel : public QObject {
    Q_OBJECT

public:
    PositionsPanel(Ui::WindowController &ui, camdeck::SendQueue &line);

    void autopanxsliderPicked(int value);
    void autopanysliderPicked(int value);
    void magnitudesliderPicked(int value);
    void xpositionsliderPicked(int value);
    void ypositionsliderPicked(int value);
    void crosshairxpositionsliderPicked(int value);
    void crosshairypositionsliderPicked(int value);
    void SDV_H_sliderPicked();
    void HDV_H_sliderPicked();
    void SDV_V_sliderPicked();
    void HDV_V_sliderPicked();

    void textPicked();
    void textpositionPicked();
    void textupdatePicked();

    // The camera shows 24 characters and takes each one 0.05 s after the last.
    static constexpr int textPositions = 24;
    static constexpr std::chrono::milliseconds textFramePause{50};

private:
    void sendH();
    void sendV();
    void sendTextDisplay();

    Ui::WindowController &m_ui;
    camdeck::SendQueue &m_line;
};
