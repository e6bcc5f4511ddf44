#include "fixture.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QMutex>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QTimer>

#include <sys/ioctl.h>
#include <unistd.h>

using camdeck::Bytes;

namespace {
QMutex logMutex;
QStringList captured;
QtMessageHandler previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&logMutex);
        captured << QString::fromLatin1(context.category ? context.category : "") + ": " + message;
    }
    if (previousHandler)
        previousHandler(type, context, message);
}
} // namespace

LogCapture::LogCapture()
{
    QMutexLocker lock(&logMutex);
    captured.clear();
    previousHandler = qInstallMessageHandler(captureMessage);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previousHandler);
}

QStringList LogCapture::linesOf(const char *category) const
{
    QMutexLocker lock(&logMutex);
    const QString prefix = QString::fromLatin1(category) + QLatin1String(": ");
    QStringList out;
    for (const QString &line : captured) {
        if (line.startsWith(prefix))
            out << line.mid(prefix.size());
    }
    return out;
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

void chooseItem(QComboBox *combo, int index)
{
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const QRect item = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
}

void dragSlider(QSlider *slider, int value)
{
    // Press on the handle, move it to value, let go: the slider reports on release.
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.subControls = QStyle::SC_All;
    opt.orientation = slider->orientation();
    opt.maximum = slider->maximum();
    opt.minimum = slider->minimum();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    const QPoint handle
        = slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider).center();
    QTest::mousePress(slider, Qt::LeftButton, {}, handle);
    QVERIFY2(slider->isSliderDown(), qPrintable(slider->objectName()));
    slider->setSliderPosition(value);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, handle);
}

void tick(QCheckBox *box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect hit = box->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, hit.center());
}

int openDescriptorCount()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

int pendingInput(int fd)
{
    int n = 0;
    return ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

namespace {
// Makes window the active one again, as a user clicking on it does.
void reactivate(QWidget *window)
{
    // Offscreen, once a pop-up has closed and events have run, the window
    // still counts as active but its shortcuts find no active window; taking
    // the activation away and back sets it right.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    other.hide();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

} // namespace

MessageBoxAnswers::MessageBoxAnswers(const QStringList &buttonTexts)
    : m_answers(buttonTexts)
    , m_timer(new QTimer)
{
    m_timer->setInterval(10);
    QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || m_answers.isEmpty())
            return;
        seen << box->text() + QLatin1Char('\n') + box->informativeText();
        const QString wanted = m_answers.takeFirst();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == wanted)
                return button->click();
        }
    });
    m_timer->start();
}

MessageBoxAnswers::~MessageBoxAnswers()
{
    delete m_timer;
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
    chooseItem(tty, tty->findText(QString::fromStdString(peer.slavePath())));
    if (!QTest::qWaitFor([this] { return window.isConnected(); }))
        return {"not open"};
    const QStringList opening = sent();
    reactivate(&window);
    return opening;
}

void Panel::settle()
{
    // A report still on its way may queue more (the greeting's answer starts
    // the presets): idle twice, with the reports taken in between.
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
    if (auto *box = qobject_cast<QCheckBox *>(widget)) {
        tick(box);
    } else if (auto *slider = qobject_cast<QSlider *>(widget)) {
        if (slider->value() == value) {
            dragSlider(slider, value == slider->minimum() ? value + 1 : value - 1);
            sent();
        }
        dragSlider(slider, value);
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        chooseItem(combo, value);
    } else {
        QTest::mouseClick(widget, Qt::LeftButton);
    }
}

QStringList messages(const Bytes &stream)
{
    QStringList out;
    std::size_t i = 0;
    while (i < stream.size()) {
        const std::uint8_t *p = stream.data() + i;
        const std::size_t left = stream.size() - i;
        std::size_t size = 8; // the packets
        if (left >= 4 && p[0] == 0x01 && p[1] == 0x00 && p[2] == 0x28)
            size = 6 + p[3];
        else if (p[0] == 0x8E)
            size = 2;
        else if (p[0] == 0x80 && (left < 8 || std::uint8_t(p[0] + p[1] + p[2] + p[3] + p[4] + p[6]) != 0))
            size = 1; // the farewell
        size = std::min(size, left);
        out << hex(Bytes(p, p + size));
        i += size;
    }
    return out;
}
