// The five mask buttons: button 0 clears the camera's mask rectangles, buttons
// 1 to 4 draw one of the fixed patterns with them.
#pragma once

#include <QObject>

#include <chrono>

namespace Ui {
class WindowController;
}
namespace camdeck {
class SendQueue;
}

class MaskPanel : public QObject {
    Q_OBJECT

public:
    MaskPanel(Ui::WindowController &ui, camdeck::SendQueue &line);

    void maskbutton0Picked();
    void maskbutton1Picked();
    void maskbutton2Picked();
    void maskbutton3Picked();
    void maskbutton4Picked();

    // The camera takes a mask packet 0.05 s after the last one.
    static constexpr std::chrono::milliseconds maskPacketPause{50};

private:
    void sendPattern(int pattern);

    camdeck::SendQueue &m_line;
};
