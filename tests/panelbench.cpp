#include "panelbench.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSlider>

#include <unistd.h>

using namespace camdeck;

PresetHome::PresetHome()
{
    qputenv("HOME", m_dir.path().toLocal8Bit());
}

QString PresetHome::presetPath(int preset) const
{
    return m_dir.filePath(QStringLiteral("preset%1.txt").arg(preset));
}

void PresetHome::write(int preset, const QByteArray &content) const
{
    QFile file(presetPath(preset));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray PresetHome::read(int preset) const
{
    QFile file(presetPath(preset));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PanelBench::PanelBench(Start start)
{
    if (start == Open)
        open();
}

QStringList PanelBench::open()
{
    auto *tty = control<QComboBox>("ttySelect");
    chooseItem(tty, tty->findText(QString::fromStdString(peer.slavePath())));
    if (!QTest::qWaitFor([this] { return window.isConnected(); }))
        return {"not open"};
    const QStringList opening = sent();
    reactivate(&window);
    return opening;
}

void PanelBench::click(const char *name)
{
    auto *widget = control<QWidget>(name);
    if (auto *box = qobject_cast<QCheckBox *>(widget))
        tick(box);
    else
        QTest::mouseClick(widget, Qt::LeftButton);
}

void PanelBench::drag(const char *name, int value)
{
    auto *slider = control<QSlider>(name);
    if (slider->value() == value) {
        dragSlider(slider, value == slider->minimum() ? value + 1 : value - 1);
        sent();
    }
    dragSlider(slider, value);
}

QStringList PanelBench::clickAfter(const QStringList &before, const char *box)
{
    for (const QString &b : before)
        click(b.toLatin1().constData());
    sent();
    click(box);
    return sent();
}

QString PanelBench::boxes(const QStringList &names)
{
    QStringList states;
    for (const QString &name : names)
        states << (control<QCheckBox>(name.toLatin1().constData())->isChecked() ? "on" : "off");
    return states.join(QLatin1Char(' '));
}

// The window writes on the test's own thread, so whatever it sent is in the
// pty before a marker written now behind it: read up to the marker, no guessing
// at quiet spells (which a loaded machine stretches).
QStringList PanelBench::sent()
{
    static const Bytes marker{0xFF, 0x00, 0xFE, 0x00, 0xFD, 0x00, 0xFC, 0x00};
    settle();
    if (::write(peer.slaveFd(), marker.data(), marker.size()) != ssize_t(marker.size()))
        return {"marker not written"};
    Bytes stream;
    while (stream.size() < marker.size()
           || !std::equal(marker.begin(), marker.end(), stream.end() - ssize_t(marker.size()))) {
        const Bytes next = peer.take(1, std::chrono::seconds(5));
        if (next.empty())
            return {"marker lost after " + hex(stream)};
        stream.insert(stream.end(), next.begin(), next.end());
    }
    stream.resize(stream.size() - marker.size());
    return cameraTraffic(stream);
}

void addSliderRows(std::initializer_list<SliderRow> rows)
{
    QTest::addColumn<SliderRow>("row");
    for (const SliderRow &row : rows)
        QTest::addRow("%s %d", row.slider, row.position) << row;
}

void checkSliderRow(const SliderRow &row)
{
    PanelBench bench;
    const ExposureState before = bench.state();
    auto *label = bench.control<QLabel>(row.label);
    QString duringPause;
    bench.window.line().setPause([&](std::chrono::milliseconds) { duringPause = label->text(); });
    bench.drag(row.slider, row.position);
    QCOMPARE(bench.sent(), QStringList{row.frame});
    QCOMPARE(label->text(), QString(row.text));
    QCOMPARE(duringPause, QString(row.text));
    if (row.field >= 0)
        QCOMPARE(bench.state().*presetFields[row.field], row.position);
    else
        QVERIFY(bench.state() == before);
}

QStringList cameraTraffic(const Bytes &stream)
{
    const Bytes header{0x01, 0x00, 0x28};
    auto frameAt = [&](std::size_t i) {
        return i + 8 <= stream.size()
            && std::equal(header.begin(), header.end(), stream.begin() + i);
    };
    QStringList out;
    std::size_t i = 0;
    while (i < stream.size()) {
        if (!frameAt(i)) {
            std::size_t next = i + 1;
            while (next < stream.size() && !frameAt(next))
                ++next;
            out << hex(Bytes(stream.begin() + i, stream.begin() + next));
            i = next;
            continue;
        }
        const std::size_t size = std::min<std::size_t>(4 + stream[i + 3] + 2, stream.size() - i);
        const Bytes frame(stream.begin() + i, stream.begin() + i + size);
        i += size;
        const Bytes data(frame.begin() + 8, frame.end() - 2);
        const int crc = frame.end()[-2] | frame.end()[-1] << 8;
        if (size < 10 || frame[7] != data.size()
            || frameCRC16(frame.data(), static_cast<int>(size - 2)) != crc)
            out << "bad frame " + hex(frame);
        else
            out << QStringLiteral("%1/%2=%3").arg(frame[4]).arg(frame[5]).arg(hex(data));
    }
    return out;
}
