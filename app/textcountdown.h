// The on-screen text entry takes the characters that go out and no more, and
// a small label beside it counts down how many are left ("24 left").
#pragma once

#include <QObject>

class QLabel;
class QLineEdit;

class TextCountdown : public QObject {
    Q_OBJECT

public:
    // limit is in UTF-16 units, as the text goes out one unit a position.
    TextCountdown(QLineEdit *entry, int limit);

private:
    void show();

    QLineEdit *m_entry;
    QLabel *m_left;
};
