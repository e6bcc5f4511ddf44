#include "fixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSlider>

#include <sys/ioctl.h>
#include <unistd.h>

using camdeck::Bytes;

Home::Home()
{
    qputenv("HOME", m_dir.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(".config"));
}

void Home::write(int preset, const QByteArray &text) const
{
    QFile file(this->file(preset));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray Home::read(int preset) const
{
    QFile file(this->file(preset));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int openDescriptorCount()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

QStringList itemsOf(const QComboBox *combo, int role)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemData(i, role).toString();
    return items;
}

int pendingInput(int fd)
{
    int n = 0;
    return ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

Panel::Panel(Start start)
    : window({QString::fromStdString(peer.slavePath())})
{
    window.line().setPause(peer.fastPause());
    window.show();
    if (start == Open)
        open();
}

QStringList Panel::open()
{
    auto *tty = control<QComboBox>(QStringLiteral("ttySelect"));
    if (!chooseItem(tty, QString::fromStdString(peer.slavePath())))
        return {"no such port in the list"};
    if (!QTest::qWaitFor([this] { return window.isConnected(); }))
        return {"not open"};
    const QStringList opening = sent();
    if (!reactivate(&window))
        return {"the window did not become active"};
    return opening;
}

void Panel::settle()
{
    QVERIFY(::settle(window.line()));
}

QStringList Panel::sent()
{
    // Once the queue is idle everything is on the line; a marker written after
    // it from the device's side shows where that ends.
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
        stream.push_back(next[0]);
    }
    stream.resize(stream.size() - marker.size());
    return messages(stream);
}

QByteArray Panel::exposure()
{
    QByteArray text;
    for (const int value : window.camera().exposure())
        text += QByteArray::number(value).rightJustified(2, '0') + '\n';
    return text;
}

void Panel::act(const QString &name, int value)
{
    QWidget *widget = control<QWidget>(name);
    if (auto *slider = qobject_cast<QSlider *>(widget); slider && slider->value() == value) {
        QVERIFY(dragSlider(slider, value == slider->minimum() ? value + 1 : value - 1));
        sent();
    }
    QVERIFY2(actOn(widget, value), qPrintable(name));
}

QStringList messages(const Bytes &stream)
{
    camdeck::protocol::Decoder decoder;
    std::vector<camdeck::protocol::Event> events = decoder.feed(stream);
    for (camdeck::protocol::Event &event : decoder.flush())
        events.push_back(std::move(event));
    QStringList out;
    for (const camdeck::protocol::Event &event : events)
        out << hex(event.bytes);
    return out;
}
