// Setups in the window's File menu: Open setup… puts a setup file on the
// controls and sends it all, Save setup… writes what the window shows, a list
// of the setups used last, and Send all, which sends every control as it
// stands (the camera after a power cycle has none of it).
#pragma once

#include "panel/setup.h"

#include <QObject>
#include <QStringList>

#include <functional>

class MainWindow;
class QAction;
class QMenu;

namespace camdeck {
class CameraPanel;
}

class SetupMenu : public QObject {
    Q_OBJECT

public:
    // Asks the user for a file; an empty path means they cancelled.
    using PathChooser = std::function<QString(bool save)>;

    SetupMenu(MainWindow &window, camdeck::CameraPanel &camera, QMenu *file);

    // The setup file at path on the controls, and sent when a port is open;
    // false, and nothing changed or sent, when it is refused.
    bool open(const QString &path);
    bool save(const QString &path);
    // A setup on the controls, and sent when a port is open.
    void take(const camdeck::Setup &setup);
    // After the controls were set from outside (a setup, a remembered start):
    // the text entry and the switch boxes show what the panel keeps.
    void showKept();

    void setPathChooser(PathChooser chooser) { m_choosePath = std::move(chooser); }
    QStringList recent() const { return m_recent; }
    void setRecent(const QStringList &paths);

signals:
    // What came of it, for the status bar.
    void said(const QString &message);

private:
    void remember(const QString &path);

    MainWindow &m_window;
    camdeck::CameraPanel &m_camera;
    QMenu *m_recentMenu;
    QStringList m_recent;
    PathChooser m_choosePath;
};
