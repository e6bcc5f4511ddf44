// The exposure, gain and preset tests' view of the panel: the Bench (the real
// window on a pseudo-terminal) with what it sends spelled the way the register
// tables are ("2/0=01"), the clicks and drags those tests repeat, and a home
// directory of the test's own for the preset files.
#pragma once

#include "benchwindow.h"

#include <QMetaType>
#include <QStringList>
#include <QTemporaryDir>

// HOME for one test, with its five preset files.
class PresetHome {
public:
    PresetHome();
    QString path() const { return m_dir.path(); }
    QString presetPath(int preset) const;
    void write(int preset, const QByteArray &content) const;
    QByteArray read(int preset) const;

private:
    QTemporaryDir m_dir;
};

class PanelBench : public Bench {
public:
    enum Start { Open, Closed };
    // Open: the port is picked, and what opening sent (greeting, preset recalls) read.
    explicit PanelBench(Start start = Open);

    // Picks the port as a user does; what opening sent.
    QStringList open();
    // Everything sent since the last call.
    QStringList sent();

    // A user clicking a control (a check box on its box), or dragging a slider's
    // handle to value (one already there is moved away first, so it reports).
    void click(const char *name);
    void drag(const char *name, int value);
    // Clicks each of before, reads what they sent, then clicks box: what it sent.
    QStringList clickAfter(const QStringList &before, const char *box);
    // "on"/"off" for each check box named.
    QString boxes(const QStringList &names);

    const camdeck::ExposureState &state() const { return window.exposureState(); }
};

// One slider row of the register tables: dragged to position, its label shows
// text, already while the camera takes frame; field is the exposure-state
// field that keeps the position, or -1 for a setting nothing keeps.
struct SliderRow {
    const char *slider;
    int position;
    const char *label;
    const char *text;
    const char *frame;
    int field;
};
Q_DECLARE_METATYPE(SliderRow)

void addSliderRows(std::initializer_list<SliderRow> rows);
// Drags the row's slider in a freshly opened window and checks what came of it.
void checkSliderRow(const SliderRow &row);

// Camera frames as "group/index=data", CRC checked ("bad frame ..." otherwise);
// other bytes (packets, greeting, farewell) as hex up to the next frame.
QStringList cameraTraffic(const camdeck::Bytes &stream);
