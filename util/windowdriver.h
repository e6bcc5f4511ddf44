// A user at a window, for the tests, the benchmark's probe and the soak: picks
// from pop-ups, drags a slider's handle and lets go, ticks check boxes where
// one aims, clicks buttons, answers message boxes; and waits, the event loop
// turning, until the send queue has written what the window gave it. What
// fails says so and returns false: nothing here stops a program.
#pragma once

#include "link/sendqueue.h"

#include <QStringList>

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QMainWindow;
class QSlider;
class QTimer;
class QWidget;

bool chooseItem(QComboBox *combo, int index);
// The item that shows text, or holds it as its data (a port's path), found
// once the list is open: a list that fills meanwhile moves its rows.
bool chooseItem(QComboBox *combo, const QString &text);
bool dragSlider(QSlider *slider, int value);
void tick(QCheckBox *box);
// A check box ticked, a slider dragged to value, a pop-up's item value
// chosen, anything else clicked.
bool actOn(QWidget *control, int value = 0);
// Opens the menu of the window's menu bar that holds action, and picks it.
bool pickMenuAction(QMainWindow *window, QAction *action);
// Makes window the active one again, as a user clicking on it does.
bool reactivate(QWidget *window);
// Runs the event loop, never sleeping in it (a stall would show), until done()
// holds; false when it did not within timeoutMs.
bool waitUntil(const std::function<bool()> &done, int timeoutMs);
// Until the queue is idle twice in a row with its reports taken between (a
// report may queue more: the greeting's answer starts the presets).
bool settle(camdeck::SendQueue &queue, int timeoutMs = 30000);

// While it lives, answers the modal message boxes that come up, one button
// title per box in order, and keeps what each said (text + "\n" + informative text).
class MessageBoxAnswers {
public:
    explicit MessageBoxAnswers(const QStringList &buttonTexts);
    ~MessageBoxAnswers();
    QStringList seen;

private:
    QStringList m_answers;
    QTimer *m_timer;
};
