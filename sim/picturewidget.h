// The simulated camera's picture, drawn from the model: the scene (or the
// colour bar) with flips, negative and freeze, then what the camera lays over
// it: masks, crosshair, on-screen text, and a small status of the settings.
#pragma once

#include "registermodel.h"

#include <QImage>
#include <QWidget>

namespace camdeck::sim {

class PictureWidget : public QWidget {
    Q_OBJECT

public:
    PictureWidget(const RegisterModel &model, QWidget *parent = nullptr);

    // Moves the scene on to time now (unless frozen) and repaints.
    void advance(RegisterModel::Millis now);
    QSize sizeHint() const override { return {640, 480}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage renderScene(RegisterModel::Millis now) const;
    void drawMasks(QPainter &painter) const;
    void drawCrosshair(QPainter &painter) const;
    void drawText(QPainter &painter) const;
    void drawStatus(QPainter &painter) const;

    const RegisterModel &m_model;
    QImage m_scene;
};

} // namespace camdeck::sim
