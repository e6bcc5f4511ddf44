// The panel as a bench user meets it: the real window opened on a pseudo-
// terminal, with a home directory of its own for the preset files, and what
// it sends spelled the way the register tables are ("2/0=01").
#pragma once

#include "ptypeer.h"
#include "windowcontroller.h"

#include <QMetaType>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class BenchWindow {
public:
    enum Start { Open, Closed };
    // Open: HOME is the temporary home, the port is picked and what opening
    // sent (greeting, preset recalls) is drained.
    explicit BenchWindow(Start start = Open);

    WindowController &window() { return *m_window; }
    template<class T> T *control(const char *name)
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    QString homePath() const { return m_home.path(); }
    QString presetPath(int preset) const;
    void writePreset(int preset, const QByteArray &content) const;
    QByteArray readPreset(int preset) const;

    // A user scrolls the control into view and clicks it, or drags its handle
    // to value (a slider already there is moved away first, so it reports).
    void click(const char *name);
    void drag(const char *name, int value);
    // Clicks each of before, drains what they sent, then clicks box: what it sent.
    QStringList clickAfter(const QStringList &before, const char *box);
    // "on"/"off" for each check box named.
    QString boxes(const QStringList &names);

    // Picks the pty in ttySelect as a user does; what opening sent.
    QStringList open();
    // Closes the window and starts a fresh one on the same home directory.
    void restart();
    // Everything sent since the last call.
    QStringList sent();

    PtyPeer peer;

private:
    QTemporaryDir m_home;
    std::unique_ptr<WindowController> m_window;
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
