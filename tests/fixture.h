// What the test programs share: bytes spelled in hex, a home directory of the
// test's own, and the window opened on a pseudo-terminal as a bench user opens
// it on a USB adapter, with a user's clicks, drags and picks.
#pragma once

#include "findchild.h"
#include "hexbytes.h"
#include "mainwindow.h"
#include "util/ptypeer.h"
#include "util/windowdriver.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

class QComboBox;

// HOME for one test, where the panel keeps its preset files and remembers its
// window (Qt keeps the settings' folder once it has looked it up: set anew).
class Home {
public:
    Home();
    QString path() const { return m_dir.path(); }
    QString file(int preset) const { return m_dir.filePath(QStringLiteral("preset%1.txt").arg(preset)); }
    void write(int preset, const QByteArray &text) const;
    QByteArray read(int preset) const;

private:
    QTemporaryDir m_dir;
};

// Descriptors this process has open; bytes waiting to be read on one.
int openDescriptorCount();
// What a pop-up's items show, or hold as role.
QStringList itemsOf(const QComboBox *combo, int role = Qt::DisplayRole);
int pendingInput(int fd);

// The window on a pseudo-terminal in a home of its own. Pauses are short
// (those before a reply wait for the peer to answer) unless realTime().
class Panel {
public:
    enum Start { Open, Closed };
    explicit Panel(Start start = Open);

    // Picks the peer's port as a user does; what opening sent, one message a string.
    QStringList open();
    // Until the window has queued all it will and the queue has written it.
    void settle();
    // What went out since the last call, one frame or packet per string, in hex.
    QStringList sent();
    // A user acting on a control by its name: a check box ticked, a button
    // clicked, a slider dragged to value (moved away first if it stands
    // there), a pop-up's item value chosen.
    void act(const QString &name, int value = 0);
    template<class T> T *control(const QString &name) { return requireChild<T>(&window, name); }
    // The exposure settings as a preset file spells them: "01\n16\n...".
    QByteArray exposure();
    // Back to the devices' real pauses, for the tests that time the line.
    void realTime() { window.line().setPause({}); }

    Home home;
    PtyPeer peer;
    MainWindow window;
};

// A stream split into its messages, one a string, as the decoder splits them.
QStringList messages(const camdeck::Bytes &stream);
