// Small helpers the test programs share: hex spelling of bytes, captured log
// lines, and driving controls the way a user does.
#pragma once

#include "protocol/frame.h"

#include <QString>
#include <QStringList>

class QComboBox;
class QTimer;
class QSlider;
class QWidget;

// "01 00 28" <-> bytes; failures then print frames as the tables spell them.
QString hex(const camdeck::Bytes &bytes);
camdeck::Bytes bytes(const QString &hexText);

// Collects every log line (category: message) while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    QStringList lines() const;
    QStringList linesOf(const char *category) const;
};

// A user picking item index from a pop-up: open it and click the item.
void chooseItem(QComboBox *combo, int index);
// Makes window the active one again, as a user clicking on it does.
void reactivate(QWidget *window);
// A user dragging the handle to value and letting go.
void dragSlider(QSlider *slider, int value);
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

int openDescriptorCount();
// Bytes that have arrived on a terminal descriptor and wait to be read.
int pendingInput(int fd);
