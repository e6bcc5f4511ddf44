// The on-screen text entry takes as many characters as the camera shows and
// no more, and a small label beside it counts down how many are left ("24
// left"); a character the camera cannot show turns it into a warning that
// says so, and the upload refuses the text.
#pragma once

#include <QObject>

class QLabel;
class QLineEdit;

class TextEntry : public QObject {
    Q_OBJECT

public:
    explicit TextEntry(QLineEdit *entry);

private:
    void show();

    QLineEdit *m_entry;
    QLabel *m_left;
};
