// The window opened on a pseudo-terminal, the way a bench user opens it on a
// USB adapter, for the tests that drive its controls.
#pragma once

#include "ptypeer.h"
#include "testsupport.h"
#include "windowcontroller.h"

#include <QCheckBox>
#include <QComboBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <vector>

// Opening a port loads the preset files from the home directory and creates
// the missing ones: a test program keeps them in a folder of its own.
class TemporaryHome {
public:
    TemporaryHome() { qputenv("HOME", m_dir.path().toLocal8Bit()); }

private:
    QTemporaryDir m_dir;
};

class Bench {
public:
    Bench()
        : window({QString::fromStdString(peer.slavePath())})
    {
        window.line().setPause(peer.fastPause());
        window.show();
    }

    // Picks the peer's port; what opening sends (greeting, preset recall) is drained.
    void open()
    {
        auto *tty = control<QComboBox>("ttySelect");
        chooseItem(tty, tty->findText(QString::fromStdString(peer.slavePath())));
        QTRY_VERIFY(window.isConnected());
        settle();
        peer.takeAll();
        reactivate(&window);
    }

    template<class T> T *control(const char *name)
    {
        T *found = window.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    // A click where a user aims: on the box and its text, not the empty rest of its row.
    static void tick(QCheckBox *box)
    {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect hit = box->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, {}, hit.center());
    }

    // Until the window has queued all it will and the queue has written it.
    void settle()
    {
        // A report still on its way may queue more (the greeting's answer
        // starts the presets): idle twice, with the reports taken in between.
        QVERIFY(QTest::qWaitFor(
            [this] {
                QCoreApplication::processEvents();
                if (window.line().busy())
                    return false;
                QCoreApplication::processEvents();
                return !window.line().busy();
            },
            30000));
    }

    // Back to the devices' real pauses, for the tests that time the line.
    void realTime() { window.line().setPause({}); }

    PtyPeer peer;
    WindowController window;
};

// A click on a button that sends pieces of pieceSize bytes with a pause after
// each, made with the devices' real pauses: when the click returned, how long
// until the panel was ready again, and when the first byte of each piece
// reached the peer.
struct TimedClick {
    PtyPeer::Clock::time_point returned;
    std::chrono::milliseconds took{};
    std::vector<PtyPeer::Clock::time_point> starts;
};

inline TimedClick clickInRealTime(Bench &bench, QAbstractButton *button, std::size_t pieceSize,
                                  std::size_t pieces)
{
    bench.realTime();
    const std::size_t skip = bench.peer.arrivals().size();
    const auto begin = PtyPeer::Clock::now();
    QTest::mouseClick(button, Qt::LeftButton);
    TimedClick timed;
    timed.returned = PtyPeer::Clock::now();
    bench.settle();
    timed.took
        = std::chrono::duration_cast<std::chrono::milliseconds>(PtyPeer::Clock::now() - begin);
    bench.peer.take(pieceSize * pieces);

    std::size_t offset = 0;
    const auto arrivals = bench.peer.arrivals();
    for (std::size_t i = skip; i < arrivals.size(); ++i) {
        const std::size_t size = arrivals[i].bytes.size();
        for (std::size_t at = (offset + pieceSize - 1) / pieceSize * pieceSize; at < offset + size;
             at += pieceSize)
            timed.starts.push_back(arrivals[i].at);
        offset += size;
    }
    return timed;
}

// What is wrong with the pacing of a click that should send `pieces`, `pause`
// apart: empty when all came, none came early, the click returned at once, and
// the time until the panel was ready again and the run from first to last are
// each within 10 % of their length. The peer time-stamps what
// it reads, so a single gap carries its scheduling jitter; the run does not.
inline QString pacingFault(const TimedClick &timed, std::size_t pieces,
                           std::chrono::milliseconds pause)
{
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    const auto within10 = [](milliseconds d, milliseconds wanted) {
        return d >= wanted * 9 / 10 && d <= wanted * 11 / 10;
    };
    const auto &starts = timed.starts;
    if (starts.size() != pieces)
        return QStringLiteral("%1 pieces came, not %2").arg(starts.size()).arg(pieces);
    // The window queues and goes on: its click is over long before the line is.
    if (timed.returned >= starts.front() + pause)
        return QStringLiteral("the click waited for the line");
    const auto wholeClick = pause * static_cast<int>(pieces);
    if (!within10(timed.took, wholeClick))
        return QStringLiteral("ready again after %1 ms, not %2")
            .arg(timed.took.count())
            .arg(wholeClick.count());
    for (std::size_t i = 1; i < starts.size(); ++i) {
        const auto gap = duration_cast<milliseconds>(starts[i] - starts[i - 1]);
        if (gap < pause * 7 / 10)
            return QStringLiteral("piece %1 came %2 ms after the last").arg(i).arg(gap.count());
    }
    const auto span = duration_cast<milliseconds>(starts.back() - starts.front());
    const auto firstToLast = pause * static_cast<int>(pieces - 1);
    if (!within10(span, firstToLast))
        return QStringLiteral("%1 ms from first to last, not %2")
            .arg(span.count())
            .arg(firstToLast.count());
    return {};
}
