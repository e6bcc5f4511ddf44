// The jog pad on a pseudo-terminal: the five packets from buttons and keys,
// the stop and travel query, and the readouts with the locale's grouping.
#include "fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>

using namespace camdeck;

class TestJog : public QObject {
    Q_OBJECT

private slots:
    void packets_data();
    void packets();
    void travel_data();
    void travel();
};

void TestJog::packets_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key"); // the same from the keyboard, the pad focused
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("right") << "buttonRight" << int(Qt::Key_Right) << QStringList{"85 01 00 00 00 00 7A 00"};
    QTest::newRow("left") << "buttonLeft" << int(Qt::Key_Left) << QStringList{"85 01 01 00 00 00 79 00"};
    QTest::newRow("back") << "buttonBack" << int(Qt::Key_Down) << QStringList{"85 01 02 00 00 00 78 00"};
    QTest::newRow("forward") << "buttonForward" << int(Qt::Key_Up) << QStringList{"85 01 03 00 00 00 77 00"};
    QTest::newRow("stop, then the travel query")
        << "buttonStop" << int(Qt::Key_Space) << QStringList{"85 01 04 00 00 00 76 00", "8E 13"};
}

// The speed slider only shows its value: the packets carry no speed. The
// pressed button takes the focus from the text being typed (even where buttons
// take none on a click); a held key sends one packet.
void TestJog::packets()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(QStringList, sent);
    Panel panel;
    dragSlider(panel.control<QSlider>("speedSlide"), 80);
    QCOMPARE(panel.control<QLineEdit>("speedCur")->text(), QString("80"));
    auto *field = panel.control<QLineEdit>("textstringSelect");
    auto *pressed = panel.control<QPushButton>(button);
    field->setFocus();
    QTest::keyClicks(field, "half typ");
    pressed->setFocusPolicy(Qt::TabFocus);
    QTest::mouseClick(pressed, Qt::LeftButton);
    QCOMPARE(panel.sent(), sent);
    QCOMPARE(QApplication::focusWidget(), pressed);
    QCOMPARE(field->text(), QString("half typ"));

    auto *pad = panel.control<QPushButton>("buttonForward");
    pad->setFocus();
    QTest::sendKeyEvent(QTest::KeyAction::Press, pad, Qt::Key(key), QString(), Qt::NoModifier);
    QKeyEvent held(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(pad, &held);
    QCOMPARE(panel.sent(), sent);
}

void TestJog::travel_data()
{
    QTest::addColumn<QStringList>("replies"); // to each stop in turn; "" is silence
    QTest::addColumn<QString>("late"); // bytes that come after the first stop gave up
    QTest::addColumn<QString>("startTotal");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<QString>("total");
    const auto row = [](const char *name, QStringList replies, const char *distance, const char *total,
                        const char *late = "", const char *startTotal = "0", const char *locale = "en_US") {
        QTest::newRow(name) << replies << late << startTotal << locale << distance << total;
    };
    row("1 byte: nothing changes", {"00"}, "0", "0");
    row("no reply: nothing changes", {""}, "0", "0");
    // A reply too late for its stop must not pass for the next one's.
    row("late reply, then 00 0A", {"", "00 0A"}, "10", "10", "00 64");
    // The most a reply says, -32768, adds 32768; a long day of moves must not
    // wrap the total negative.
    row("total past 2^31", {"80 00", "80 00"}, "-32,768", "2,147,548,536", "", "2,147,483,000");
    row("German grouping", {"FC 17", "FC 17"}, "-1.001", "2.002", "", "0", "de_DE");
}

void TestJog::travel()
{
    QFETCH(QStringList, replies);
    QFETCH(QString, late);
    QFETCH(QString, startTotal);
    QFETCH(QString, locale);
    QFETCH(QString, distance);
    QFETCH(QString, total);
    QLocale::setDefault(QLocale(locale));
    Panel panel;
    panel.control<QLineEdit>("totalDist")->setText(startTotal);
    for (int i = 0; i < replies.size(); ++i) {
        panel.peer.answer(bytes("85 01 04 00 00 00 76 00 8E 13"), bytes(replies[i]));
        panel.act("buttonStop");
        panel.settle();
        if (i == 0 && !late.isEmpty()) {
            panel.peer.send(bytes(late));
            QTRY_COMPARE(pendingInput(panel.peer.slaveFd()), 2);
        }
    }
    QCOMPARE(panel.control<QLineEdit>("mmDistance")->text(), distance);
    QCOMPARE(panel.control<QLineEdit>("totalDist")->text(), total);
}

QTEST_MAIN(TestJog)
#include "tst_jog.moc"
