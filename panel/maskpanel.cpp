#include "maskpanel.h"
#include "ui_windowcontroller.h"

#include "link/sendqueue.h"
#include "maskpatterns.h"

MaskPanel::MaskPanel(Ui::WindowController &ui, camdeck::SendQueue &line)
    : m_line(line)
{
    connect(ui.maskbutton0Select, &QPushButton::clicked, this, &MaskPanel::maskbutton0Picked);
    connect(ui.maskbutton1Select, &QPushButton::clicked, this, &MaskPanel::maskbutton1Picked);
    connect(ui.maskbutton2Select, &QPushButton::clicked, this, &MaskPanel::maskbutton2Picked);
    connect(ui.maskbutton3Select, &QPushButton::clicked, this, &MaskPanel::maskbutton3Picked);
    connect(ui.maskbutton4Select, &QPushButton::clicked, this, &MaskPanel::maskbutton4Picked);
}

void MaskPanel::maskbutton0Picked()
{
    sendPattern(0);
}

void MaskPanel::maskbutton1Picked()
{
    sendPattern(1);
}

void MaskPanel::maskbutton2Picked()
{
    sendPattern(2);
}

void MaskPanel::maskbutton3Picked()
{
    sendPattern(3);
}

void MaskPanel::maskbutton4Picked()
{
    sendPattern(4);
}

// One packet at a time, each followed by its pause (the last one too); a failed
// write does not stop the sequence.
void MaskPanel::sendPattern(int pattern)
{
    const camdeck::SendQueue::Job job(
        m_line,
        pattern == 0 ? "Clearing the masks" : "Drawing mask pattern " + std::to_string(pattern));
    for (const camdeck::Packet &packet : camdeck::maskSequence(pattern))
        m_line.send(packet, maskPacketPause);
}
