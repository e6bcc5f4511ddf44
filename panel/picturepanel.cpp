#include "picturepanel.h"
#include "sharedregisters.h"
#include "ui_windowcontroller.h"

#include "link/sendqueue.h"

#include <QDesktopServices>
#include <QLoggingCategory>
#include <QSignalBlocker>
#include <QUrl>

Q_LOGGING_CATEGORY(lcPanel, "camdeck.panel")

using camdeck::sendCommand32;
using camdeck::sendCommand8;

namespace {

// Chosen at build time (CAMDECK_WEBSITE_URL in CMake).
constexpr char websiteAddress[] = CAMDECK_WEBSITE_URL;

// Where the centre button puts the crosshair.
constexpr int centreX = 320;
constexpr int centreY = 360;

int state(const QAbstractButton *box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

PicturePanel::PicturePanel(Ui::WindowController &ui, camdeck::SendQueue &line)
    : m_ui(ui)
    , m_line(line)
{
    connect(ui.sdvSelect, &QComboBox::activated, this, &PicturePanel::sdvmodePicked);
    connect(ui.hdvSelect, &QComboBox::activated, this, &PicturePanel::hdvmodePicked);
    connect(ui.xdrSelect, &QComboBox::activated, this, &PicturePanel::xdrmodePicked);
    connect(ui.fogSelect, &QComboBox::activated, this, &PicturePanel::fogmodePicked);
    connect(ui.eclipseSelect, &QComboBox::activated, this, &PicturePanel::eclipsemodePicked);
    connect(ui.dnrSelect, &QComboBox::activated, this, &PicturePanel::dnrmodePicked);
    connect(ui.gammaSelect, &QComboBox::activated, this, &PicturePanel::gammaPicked);
    connect(ui.sharpnessSelect, &QComboBox::activated, this, &PicturePanel::sharpnessmodePicked);
    connect(ui.magnificationSelect, &QComboBox::activated, this,
            &PicturePanel::magnificationmodePicked);
    connect(ui.colormodeSelect, &QComboBox::activated, this, &PicturePanel::colormodePicked);

    connect(ui.aspectSelect, &QCheckBox::clicked, this, &PicturePanel::aspectPicked);
    connect(ui.hflipSelect, &QCheckBox::clicked, this, &PicturePanel::hflipPicked);
    connect(ui.vflipSelect, &QCheckBox::clicked, this, &PicturePanel::vflipPicked);
    connect(ui.negativeSelect, &QCheckBox::clicked, this, &PicturePanel::negativePicked);
    connect(ui.colorbarSelect, &QCheckBox::clicked, this, &PicturePanel::colorbarPicked);
    connect(ui.crosshairSelect, &QCheckBox::clicked, this, &PicturePanel::crosshairPicked);
    connect(ui.freezeSelect, &QCheckBox::clicked, this, &PicturePanel::freezePicked);
    connect(ui.centerSelect, &QPushButton::clicked, this, &PicturePanel::centerPicked);
    connect(ui.websiteSelect, &QPushButton::clicked, this, &PicturePanel::websitePicked);
}

// The output modes sit in the high nibble of their registers.
void PicturePanel::sdvmodePicked(int index)
{
    sendCommand8(m_line, 8, 36, index << 4);
}

void PicturePanel::hdvmodePicked(int index)
{
    sendCommand8(m_line, 8, 35, index << 4);
}

void PicturePanel::xdrmodePicked(int index)
{
    sendCommand8(m_line, 3, 0, index);
}

void PicturePanel::fogmodePicked(int index)
{
    sendCommand8(m_line, 3, 1, index);
}

void PicturePanel::eclipsemodePicked(int index)
{
    sendCommand8(m_line, 3, 2, index);
}

void PicturePanel::dnrmodePicked(int index)
{
    sendCommand8(m_line, 3, 3, index);
}

void PicturePanel::gammaPicked(int index)
{
    sendCommand8(m_line, 3, 6, index);
}

void PicturePanel::sharpnessmodePicked(int index)
{
    sendCommand8(m_line, 3, 7, index);
}

void PicturePanel::magnificationmodePicked(int index)
{
    sendCommand8(m_line, 5, 0, index);
}

// 4/0 is shared with the white-balance pair: the ATW box is bit 0, the colour
// mode bits 2 and up.
void PicturePanel::colormodePicked()
{
    sendWhiteBalanceColourMode(m_line, m_ui.colormodeSelect->currentIndex(),
                               m_ui.atwSelect->isChecked());
}

void PicturePanel::aspectPicked(bool checked)
{
    sendCommand8(m_line, 8, 0, int(checked) << 2);
}

void PicturePanel::hflipPicked()
{
    sendFlipsAndNegative();
}

void PicturePanel::vflipPicked()
{
    sendFlipsAndNegative();
}

void PicturePanel::negativePicked()
{
    sendFlipsAndNegative();
}

// Register 8/1 is replaced whole, so every bit comes from its box as it stands.
void PicturePanel::sendFlipsAndNegative()
{
    sendCommand8(m_line, 8, 1,
                 (state(m_ui.negativeSelect) << 7) | (state(m_ui.vflipSelect) << 1)
                     | state(m_ui.hflipSelect));
}

void PicturePanel::colorbarPicked()
{
    sendColorbarAndCrosshair();
}

void PicturePanel::crosshairPicked()
{
    sendColorbarAndCrosshair();
}

void PicturePanel::sendColorbarAndCrosshair()
{
    sendCommand8(m_line, 8, 2,
                 (state(m_ui.colorbarSelect) << 3) | (state(m_ui.crosshairSelect) << 2));
}

void PicturePanel::freezePicked(bool checked)
{
    sendCommand8(m_line, 8, 38, int(checked));
}

void PicturePanel::centerPicked()
{
    {
        // The sliders' own actions would send x and y again, one frame each.
        const QSignalBlocker blockX(m_ui.crosshairxpositionsliderSelect);
        const QSignalBlocker blockY(m_ui.crosshairypositionsliderSelect);
        m_ui.crosshairxpositionsliderSelect->setValue(centreX);
        m_ui.crosshairypositionsliderSelect->setValue(centreY);
    }
    m_ui.crossxposslidervalue->setText(QString::number(centreX));
    m_ui.crossyposslidervalue->setText(QString::number(centreY));
    sendCommand32(m_line, 8, 3, centreX, centreY);
}

void PicturePanel::websitePicked()
{
    const QUrl address(QString::fromLatin1(websiteAddress));
    if (!QDesktopServices::openUrl(address))
        qCWarning(lcPanel).noquote() << "Could not open" << address.toString();
}
