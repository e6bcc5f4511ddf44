// The jog pad on a pseudo-terminal: the five packets, the stop and travel
// query, the readouts with the locale's grouping, and late replies.
#include "benchwindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>

using namespace camdeck;
using namespace std::chrono_literals;

namespace {

const Bytes stopAndQuery = bytes("85 01 04 00 00 00 76 00 8E 13");

void press(Bench &bench, const char *button)
{
    QTest::mouseClick(bench.control<QPushButton>(button), Qt::LeftButton);
    bench.settle();
}

} // namespace

class TestJog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void packets_data();
    void packets();
    void travel_data();
    void travel();
    void twoStopsAddUp();
    void lateReplyIsNotTheNextAnswer_data();
    void lateReplyIsNotTheNextAnswer();
    void totalDoesNotWrap();
    void totalFollowsTheLocale();
    void speedSliderSendsNothing();
    void keyboard_data();
    void keyboard();

private:
    TemporaryHome m_home;
};

void TestJog::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestJog::packets_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QList<int>>("pausesMs");
    QTest::newRow("right") << "buttonRight"
                           << "85 01 00 00 00 00 7A 00" << QList<int>{};
    QTest::newRow("left") << "buttonLeft"
                          << "85 01 01 00 00 00 79 00" << QList<int>{};
    QTest::newRow("back") << "buttonBack"
                          << "85 01 02 00 00 00 78 00" << QList<int>{};
    QTest::newRow("forward") << "buttonForward"
                             << "85 01 03 00 00 00 77 00" << QList<int>{};
    QTest::newRow("stop, then the travel query")
        << "buttonStop"
        << "85 01 04 00 00 00 76 00 8E 13" << QList<int>{500};
}

void TestJog::packets()
{
    QFETCH(QString, button);
    QFETCH(QString, sent);
    QFETCH(QList<int>, pausesMs);
    Bench bench;
    auto *field = bench.control<QLineEdit>("textstringSelect");
    auto *pressed = bench.control<QPushButton>(button.toLatin1());
    bench.open();
    QList<int> paused;
    bench.window.line().setPause([&, fast = bench.peer.fastPause()](std::chrono::milliseconds d) {
        paused << int(d.count());
        fast(d);
    });
    field->setFocus();
    QTest::keyClicks(field, "half typ");
    // Buttons that take no focus on a click, as on some desktops: the handler moves it.
    pressed->setFocusPolicy(Qt::TabFocus);

    QTest::mouseClick(pressed, Qt::LeftButton);
    QCOMPARE(hex(bench.peer.takeAll()), sent);
    QCOMPARE(paused, pausesMs);
    QCOMPARE(QApplication::focusWidget(), pressed);
    QCOMPARE(field->text(), QString("half typ"));
}

void TestJog::travel_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("distance");
    QTest::addColumn<int>("total");
    QTest::newRow("00 64: 100") << "00 64" << 100 << 100;
    QTest::newRow("FF 38: -200, adds 200") << "FF 38" << -200 << 200;
    QTest::newRow("80 00: -32768, adds 32768") << "80 00" << -32768 << 32768;
    QTest::newRow("7F FF: 32767") << "7F FF" << 32767 << 32767;
    QTest::newRow("1 byte: nothing changes") << "00" << 0 << 0;
    QTest::newRow("3 bytes: nothing changes") << "00 64 00" << 0 << 0;
    QTest::newRow("no reply: nothing changes") << "" << 0 << 0;
}

void TestJog::travel()
{
    QFETCH(QString, reply);
    QFETCH(int, distance);
    QFETCH(int, total);
    Bench bench;
    bench.peer.answer(stopAndQuery, bytes(reply));
    bench.open();
    press(bench, "buttonStop");
    QCOMPARE(bench.control<QLineEdit>("mmDistance")->text(), QLocale().toString(distance));
    QCOMPARE(bench.control<QLineEdit>("totalDist")->text(), QLocale().toString(total));
}

void TestJog::twoStopsAddUp()
{
    Bench bench;
    bench.peer.answer(stopAndQuery, bytes("00 0A"));
    bench.open();
    press(bench, "buttonStop");
    press(bench, "buttonStop");
    QCOMPARE(hex(bench.peer.takeAll()), hex(stopAndQuery) + " " + hex(stopAndQuery));
    QCOMPARE(bench.control<QLineEdit>("mmDistance")->text(), QString("10"));
    QCOMPARE(bench.control<QLineEdit>("totalDist")->text(), QString("20"));
}

void TestJog::lateReplyIsNotTheNextAnswer_data()
{
    QTest::addColumn<QString>("secondReply");
    QTest::addColumn<int>("distance");
    QTest::newRow("drive silent the second time: nothing changes") << "" << 0;
    QTest::newRow("second stop answered 00 0A: 10") << "00 0A" << 10;
}

void TestJog::lateReplyIsNotTheNextAnswer()
{
    QFETCH(QString, secondReply);
    QFETCH(int, distance);
    Bench bench;
    bench.open();
    press(bench, "buttonStop"); // no answer within the wait
    QCOMPARE(bench.control<QLineEdit>("mmDistance")->text(), QString("0"));
    bench.peer.send(bytes("00 64")); // ... and then it comes
    QTRY_COMPARE(pendingInput(bench.peer.slaveFd()), 2);

    bench.peer.answer(stopAndQuery, bytes(secondReply));
    press(bench, "buttonStop");
    QCOMPARE(bench.control<QLineEdit>("mmDistance")->text(), QString::number(distance));
    QCOMPARE(bench.control<QLineEdit>("totalDist")->text(), QString::number(distance));
}

void TestJog::totalDoesNotWrap()
{
    Bench bench;
    bench.peer.answer(stopAndQuery, bytes("80 00"));
    auto *total = bench.control<QLineEdit>("totalDist");
    total->setText("2,147,483,000"); // a long day of travel so far
    bench.open();
    press(bench, "buttonStop");
    QCOMPARE(total->text(), QString("2,147,515,768"));
    press(bench, "buttonStop");
    QCOMPARE(total->text(), QString("2,147,548,536"));
}

void TestJog::totalFollowsTheLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Bench bench;
    bench.peer.answer(stopAndQuery, bytes("FC 17")); // -1001
    bench.open();
    press(bench, "buttonStop");
    QCOMPARE(bench.control<QLineEdit>("mmDistance")->text(), QString("-1.001"));
    press(bench, "buttonStop");
    QCOMPARE(bench.control<QLineEdit>("totalDist")->text(), QString("2.002"));
}

void TestJog::speedSliderSendsNothing()
{
    Bench bench;
    auto *speed = bench.control<QSlider>("speedSlide");
    bench.open();
    press(bench, "buttonForward");
    const QString before = hex(bench.peer.takeAll());
    dragSlider(speed, 80);
    QCOMPARE(bench.control<QLineEdit>("speedCur")->text(), QString("80"));
    QCOMPARE(bench.peer.takeAll().size(), std::size_t(0));
    press(bench, "buttonForward");
    QCOMPARE(hex(bench.peer.takeAll()), before);
}

QTEST_MAIN(TestJog)
#include "tst_jog.moc"

void TestJog::keyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("autoRepeat");
    QTest::addColumn<QString>("sent");
    QTest::newRow("right") << int(Qt::Key_Right) << false << "85 01 00 00 00 00 7A 00";
    QTest::newRow("left") << int(Qt::Key_Left) << false << "85 01 01 00 00 00 79 00";
    QTest::newRow("down: back") << int(Qt::Key_Down) << false << "85 01 02 00 00 00 78 00";
    QTest::newRow("up: forward") << int(Qt::Key_Up) << false << "85 01 03 00 00 00 77 00";
    QTest::newRow("space: stop") << int(Qt::Key_Space) << false << hex(stopAndQuery);
    QTest::newRow("held key: one packet")
        << int(Qt::Key_Right) << true << "85 01 00 00 00 00 7A 00";
}

// With the pad focused (here its forward button), as a user steers the drive.
void TestJog::keyboard()
{
    QFETCH(int, key);
    QFETCH(bool, autoRepeat);
    QFETCH(QString, sent);
    Bench bench;
    bench.open();
    auto *forward = bench.control<QPushButton>("buttonForward");
    forward->setFocus();
    QTest::sendKeyEvent(QTest::KeyAction::Press, forward, Qt::Key(key), QString(), Qt::NoModifier);
    if (autoRepeat) {
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(forward, &repeat);
    }
    QCOMPARE(hex(bench.peer.takeAll()), sent);
}
