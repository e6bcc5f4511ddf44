// The soak's check, on captures and logs small enough to read: what it lets
// pass and what it says of a line that went wrong. Times are in ms here.
#include "soakcheck.h"

#include <QTest>

#include <sstream>

using Lines = QStringList;

namespace {

// "ms rest" → "ns rest", a line each.
std::string inNanoseconds(const Lines &lines)
{
    std::string text;
    for (const QString &line : lines)
        text += std::to_string(line.section(' ', 0, 0).toLongLong() * 1000000) + ' '
            + line.section(' ', 1).toStdString() + '\n';
    return text;
}

} // namespace

class TestSoakCheck : public QObject {
    Q_OBJECT

private slots:
    void check_data();
    void check();
};

void TestSoakCheck::check_data()
{
    QTest::addColumn<Lines>("capture"); // what the simulator read
    QTest::addColumn<Lines>("log"); // what the soak did, and what the program said it sent
    QTest::addColumn<Lines>("violations");
    // A = 2/1 ← 0x10, B = 2/0 ← 0x01, T = 8/11 ← 'A' and 8/12 ← 'B'; 80 is the farewell.
    const Lines recall{"0 start 7", "20 action 1 preset 1", "350 sigterm 1",
                       "401 wrote 1 01 00 28 05 02 01 00 01 10 FC 52|01 00 28 05 02 00 00 01 01 DC 61", "700 ended"};
    const QString A = "read 01 00 28 05 02 01 00 01 10 FC 52", B = "read 01 00 28 05 02 00 00 01 01 DC 61";
    const Lines greeted{"0 plugged /dev/pts/1", "10 read 8E 12"};
    // clang-format off
    QTest::newRow("greeted, A and B 100 ms apart, farewell") << greeted + Lines{"300 " + A, "400 " + B, "500 read 80"} << recall << Lines{};
    QTest::newRow("B 4 ms early: the reader's jitter") << greeted + Lines{"300 " + A, "396 " + B, "500 read 80"} << recall << Lines{};
    QTest::newRow("B 94 ms after A") << greeted + Lines{"300 " + A, "394 " + B, "500 read 80"} << recall
        << Lines{"0.394 s: too soon: 2/0 exposure mode ← 0x01 at 0.394 s came 94.0 ms after 2/1 ALC level ← 0x10 at 0.300 s, 1 message(s) needing 100 ms"};
    QTest::newRow("96 ms apart each: 8 ms short over two") << greeted + Lines{"300 " + A, "396 " + B, "492 " + A, "600 read 80"}
        << Lines{"0 start 7", "20 action 1 preset 1", "350 sigterm 1", "500 wrote 1 " + A.mid(5) + '|' + B.mid(5) + '|' + A.mid(5), "700 ended"}
        << Lines{"0.492 s: too soon: 2/1 ALC level ← 0x10 at 0.492 s came 192.0 ms after 2/1 ALC level ← 0x10 at 0.300 s, 2 message(s) needing 200 ms"};
    QTest::newRow("text frames 50 ms apart") << greeted + Lines{"300 read 01 00 28 05 08 0B 00 01 41 A7 7A", "350 read 01 00 28 05 08 0C 00 01 42 33 E3", "400 read 80"}
        << Lines{"0 start 7", "20 action 1 text AB", "320 sigterm 1", "351 wrote 1 01 00 28 05 08 0B 00 01 41 A7 7A|01 00 28 05 08 0C 00 01 42 33 E3", "500 ended"} << Lines{};
    QTest::newRow("said sent, never came") << greeted + Lines{"300 " + A, "400 read 80"} << recall
        << Lines{"0.020 s: action 1 (preset 1): the program said it sent 2 message(s), from 01 00 28 05 02 01 00 01 10 FC 52, which did not reach the device whole and in order",
                 "0.300 s: 1 message(s) no action sent, from 2/1 ALC level ← 0x10 at 0.300 s (01 00 28 05 02 01 00 01 10 FC 52)",
                 "0.350 s: the recall under way at the termination signal never said it had all gone out"};
    QTest::newRow("came, no action sent it") << greeted + Lines{"300 " + A, "400 " + B, "500 " + B, "600 read 80"} << recall
        << Lines{"0.350 s: after the signal, the recall's frames were not followed by the farewell and nothing else",
                 "0.500 s: 1 message(s) no action sent, from 2/0 exposure mode ← 0x01 at 0.500 s (01 00 28 05 02 00 00 01 01 DC 61)"};
    QTest::newRow("an action cut short by a pull, then the next") << greeted + Lines{"300 " + A, "350 unplugged", "1000 plugged /dev/pts/1", "1010 read 8E 12", "1300 " + A, "1400 " + B, "1500 read 80"}
        << Lines{"0 start 7", "20 action 1 preset 1", "360 dropped 1", "1100 action 2 preset 1", "1350 sigterm 2", "1401 wrote 2 " + A.mid(5) + '|' + B.mid(5), "1600 ended"} << Lines{};
    QTest::newRow("B after the farewell") << greeted + Lines{"300 " + A, "400 " + B, "500 read 80", "600 " + B} << recall
        << Lines{"0.600 s: 2/0 exposure mode ← 0x01 (01 00 28 05 02 00 00 01 01 DC 61) written after the farewell"};
    QTest::newRow("a frame with a bad CRC") << greeted + Lines{"300 " + A, "400 " + B, "450 read 01 00 28 05 02 00 00 01 01 DC 62", "550 read 80"} << recall
        << Lines{"0.450 s: bad CRC, ignored: 01 00 28 05 02 00 00 01 01 DC 62"};
    QTest::newRow("A's bytes 60 ms apart") << greeted + Lines{"300 read 01 00 28 05 02 01", "360 read 00 01 10 FC 52", "460 " + B, "560 read 80"} << recall
        << Lines{"0.300 s: cut: the bytes of 01 00 28 05 02 01 00 01 10 FC 52 came 60 ms apart, and the device gives up after 50"};
    QTest::newRow("the signal once the recall was out") << greeted + Lines{"300 " + A, "400 " + B, "500 read 80"}
        << Lines{"0 start 7", "20 action 1 preset 1", "450 sigterm 1", "401 wrote 1 " + A.mid(5) + '|' + B.mid(5), "700 ended"}
        << Lines{"0.450 s: the termination signal did not come in the middle of the recall"};
    QTest::newRow("greeted twice, no farewell between") << greeted + Lines{"300 read 8E 12", "600 " + A, "700 " + B, "800 read 80"}
        << Lines{"0 start 7", "20 action 1 preset 1", "650 sigterm 1", "701 wrote 1 " + A.mid(5) + '|' + B.mid(5), "900 ended"}
        << Lines{"0.300 s: greeted again with no farewell before it"};
    // clang-format on
}

void TestSoakCheck::check()
{
    QFETCH(Lines, capture);
    QFETCH(Lines, log);
    QFETCH(Lines, violations);
    std::istringstream captured(inNanoseconds(capture)), logged(inNanoseconds(log));
    const SoakFindings found = checkSoak(captured, logged, SoakLimits());
    Lines said;
    for (const SoakFindings::Violation &v : found.violations)
        said << QString::asprintf("%.3f s: ", v.at) + QString::fromStdString(v.what);
    QCOMPARE(said, violations);
}

QTEST_MAIN(TestSoakCheck)
#include "tst_soakcheck.moc"
