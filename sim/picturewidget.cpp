#include "picturewidget.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <string_view>

namespace camdeck::sim {

namespace {

constexpr int pictureWidth = 640;
constexpr int pictureHeight = 480;
// The camera's own coordinates: the crosshair centres at 320, 360 and the
// mask patterns at 95, 65.
constexpr double crosshairWidth = 640.0;
constexpr double crosshairHeight = 720.0;
constexpr double maskWidth = 190.0;
constexpr double maskHeight = 130.0;
// How far the scene moves for one millimetre of the motor drive.
constexpr double pixelsPerMm = 4.0;

QString number(int value)
{
    return QString::number(value);
}

} // namespace

PictureWidget::PictureWidget(const RegisterModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_scene(renderScene(RegisterModel::Millis(0)))
{
    setMinimumSize(320, 240);
}

void PictureWidget::advance(RegisterModel::Millis now)
{
    if (!m_model.control("freeze"))
        m_scene = renderScene(now);
    update();
}

// Sky, a sun that crosses it every 20 s, and hills and houses that pan and
// tilt with the motor drive, so a moving or frozen picture shows at a glance.
QImage PictureWidget::renderScene(RegisterModel::Millis now) const
{
    QImage image(pictureWidth, pictureHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double pan = m_model.motor().x(now) * pixelsPerMm;
    const double tilt = std::clamp(m_model.motor().y(now) * pixelsPerMm, -120.0, 120.0);
    const double horizon = 300 + tilt;

    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(1, QColor(170, 205, 235));
    p.fillRect(QRectF(0, 0, pictureWidth, horizon), sky);

    const double phase = std::fmod(now.count() / 20000.0, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 220, 90));
    p.drawEllipse(QPointF(phase * pictureWidth, horizon - 60 - 140 * std::sin(phase * M_PI)), 28,
                  28);

    p.fillRect(QRectF(0, horizon, pictureWidth, pictureHeight - horizon), QColor(70, 130, 60));
    const double shift = std::fmod(pan, 160.0);
    for (double x = -shift - 160; x < pictureWidth + 160; x += 160) {
        QPainterPath hill;
        hill.moveTo(x, horizon);
        hill.quadTo(x + 80, horizon - 90, x + 160, horizon);
        p.fillPath(hill, QColor(90, 150, 70));
        p.fillRect(QRectF(x + 50, horizon - 40, 50, 40), QColor(200, 120, 80));
        p.setBrush(QColor(120, 60, 50));
        p.drawPolygon(QPolygonF({QPointF(x + 45, horizon - 40), QPointF(x + 75, horizon - 70),
                                 QPointF(x + 105, horizon - 40)}));
        p.fillRect(QRectF(x + 68, horizon - 22, 14, 22), QColor(60, 40, 30));
    }
    p.end();

    image = image.mirrored(m_model.control("hflip"), m_model.control("vflip"));
    if (m_model.control("negative"))
        image.invertPixels();
    return image;
}

void PictureWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(45, 45, 45));
    // Keep the picture's 4:3 shape whatever the widget's.
    QSize fitted(pictureWidth, pictureHeight);
    fitted.scale(size(), Qt::KeepAspectRatio);
    painter.setViewport(
        QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted));
    painter.setWindow(0, 0, pictureWidth, pictureHeight);
    painter.setRenderHint(QPainter::Antialiasing);

    if (m_model.control("colour-bar")) {
        const QColor bars[]
            = {QColor(191, 191, 191), QColor(191, 191, 0), QColor(0, 191, 191), QColor(0, 191, 0),
               QColor(191, 0, 191),   QColor(191, 0, 0),   QColor(0, 0, 191),   QColor(0, 0, 0)};
        const double w = pictureWidth / 8.0;
        for (int i = 0; i < 8; ++i)
            painter.fillRect(QRectF(i * w, 0, w + 1, pictureHeight), bars[i]);
    } else {
        painter.drawImage(0, 0, m_scene);
    }
    drawMasks(painter);
    if (m_model.control("crosshair"))
        drawCrosshair(painter);
    if (m_model.control("text"))
        drawText(painter);
    drawStatus(painter);
}

void PictureWidget::drawMasks(QPainter &painter) const
{
    const double sx = pictureWidth / maskWidth;
    const double sy = pictureHeight / maskHeight;
    for (const Mask &m : m_model.masks()) {
        if (!m.defined || !m.shown)
            continue;
        painter.fillRect(
            QRectF(m.left * sx, m.top * sy, (m.right - m.left) * sx, (m.bottom - m.top) * sy),
            QColor(40, 40, 40));
    }
}

void PictureWidget::drawCrosshair(QPainter &painter) const
{
    const QPointF c(m_model.control("crosshair-x") * pictureWidth / crosshairWidth,
                    m_model.control("crosshair-y") * pictureHeight / crosshairHeight);
    for (const auto &[colour, width] :
         {std::pair{QColor(Qt::black), 4.0}, {QColor(Qt::white), 2.0}}) {
        painter.setPen(QPen(colour, width));
        painter.drawLine(c - QPointF(30, 0), c + QPointF(30, 0));
        painter.drawLine(c - QPointF(0, 30), c + QPointF(0, 30));
    }
}

void PictureWidget::drawText(QPainter &painter) const
{
    QString text = QString::fromLatin1(m_model.text());
    text.replace(QChar(0), QChar(' '));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(26);
    font.setBold(true);
    // Where the panel's pop-up says, by the item's name: "Top" or "Bottom".
    const protocol::Control *position = protocol::findControl("text-position");
    const char *place = protocol::itemName(*position, m_model.control("text-position"));
    const double y = place && std::string_view(place) == "Bottom" ? pictureHeight - 30 : 70;
    // The camera's 24 places in a row, centred, the empty ones too.
    QPainterPath path;
    path.addText(0, 0, font, text);
    path.translate((pictureWidth - QFontMetricsF(font).horizontalAdvance(text)) / 2, y);
    painter.setPen(QPen(Qt::black, 3));
    painter.setBrush(Qt::white);
    painter.drawPath(path);
}

void PictureWidget::drawStatus(QPainter &painter) const
{
    const RegisterModel &m = m_model;
    const auto shown = [&m](const char *key) { return number(m.control(key)); };
    QString exposure = m.control("aes") ? "AES level " + shown("aes-level")
                                        : "shutter #" + shown("fixed-shutter-speed");
    if (m.control("alc"))
        exposure += ", ALC level " + shown("alc-level");
    if (m.control("slow-shutter"))
        exposure += ", slow shutter #" + shown("slow-shutter-speed");
    QString gain = m.control("auto-gain") ? "AGC level " + shown("auto-gain-level")
                                          : "manual gain " + shown("manual-gain-level");
    gain += (m.control("peak-control") ? ", peak " : ", peak off ") + shown("peak-level");
    const QString balance
        = (m.control("atw") ? "ATW " + shown("atw-level") : "AWB " + shown("awb-level"))
        + ", colour mode " + shown("colour-mode");
    QStringList switches;
    for (const std::string &name : m.switchesOn())
        switches << QString::fromStdString(name);

    const QStringList lines{"EXP  " + exposure, "GAIN " + gain, "WB   " + balance,
                            "SW   " + (switches.isEmpty() ? "-" : switches.join(' '))};
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    painter.setFont(font);
    const int lineHeight = 16;
    painter.fillRect(QRectF(6, 6, 300, lineHeight * lines.size() + 6), QColor(0, 0, 0, 140));
    painter.setPen(Qt::white);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(12, 6 + lineHeight * (i + 1)), lines[i]);
}

} // namespace camdeck::sim
