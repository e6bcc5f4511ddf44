// The picture modes and display toggles: the mode pop-ups, aspect, flips,
// negative, colour bar, crosshair and its centre button, freeze and the
// web-site button. One user action, one camera command.
#pragma once

#include <QObject>

namespace Ui {
class WindowController;
}
namespace camdeck {
class SendQueue;
}

class PicturePanel : public QObject {
    Q_OBJECT

public:
    PicturePanel(Ui::WindowController &ui, camdeck::SendQueue &line);

    void sdvmodePicked(int index);
    void hdvmodePicked(int index);
    void xdrmodePicked(int index);
    void fogmodePicked(int index);
    void eclipsemodePicked(int index);
    void dnrmodePicked(int index);
    void gammaPicked(int index);
    void sharpnessmodePicked(int index);
    void magnificationmodePicked(int index);
    void colormodePicked();

    void aspectPicked(bool checked);
    void hflipPicked();
    void vflipPicked();
    void negativePicked();
    void colorbarPicked();
    void crosshairPicked();
    void freezePicked(bool checked);
    void centerPicked();
    void websitePicked();

private:
    void sendFlipsAndNegative();
    void sendColorbarAndCrosshair();

    Ui::WindowController &m_ui;
    camdeck::SendQueue &m_line;
};
