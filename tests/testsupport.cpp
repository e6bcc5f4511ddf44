#include "testsupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <sys/ioctl.h>

QString hex(const camdeck::Bytes &bytes)
{
    QStringList parts;
    for (std::uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

camdeck::Bytes bytes(const QString &hexText)
{
    camdeck::Bytes out;
    const QStringList parts = hexText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &part : parts)
        out.push_back(static_cast<std::uint8_t>(part.toUInt(nullptr, 16)));
    return out;
}

namespace {
QMutex logMutex;
QStringList captured;
QtMessageHandler previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&logMutex);
        captured << QString::fromLatin1(context.category ? context.category : "")
                + QLatin1String(": ") + message;
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

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&logMutex);
    return captured;
}

QStringList LogCapture::linesOf(const char *category) const
{
    const QString prefix = QString::fromLatin1(category) + QLatin1String(": ");
    QStringList out;
    for (const QString &line : lines()) {
        if (line.startsWith(prefix))
            out << line.mid(prefix.size());
    }
    return out;
}

void chooseItem(QComboBox *combo, int index)
{
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const QRect item = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
}

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

namespace {
QPoint handleCentre(QSlider *slider)
{
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.subControls = QStyle::SC_All;
    opt.orientation = slider->orientation();
    opt.maximum = slider->maximum();
    opt.minimum = slider->minimum();
    opt.tickPosition = slider->tickPosition();
    opt.tickInterval = slider->tickInterval();
    opt.upsideDown = slider->invertedAppearance();
    opt.direction = slider->layoutDirection();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    opt.singleStep = slider->singleStep();
    opt.pageStep = slider->pageStep();
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider)
        .center();
}
} // namespace

void dragSlider(QSlider *slider, int value)
{
    // Press on the handle, move it to value, let go: the slider reports on release.
    QTest::mousePress(slider, Qt::LeftButton, {}, handleCentre(slider));
    QVERIFY2(slider->isSliderDown(), qPrintable(slider->objectName()));
    slider->setSliderPosition(value);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, handleCentre(slider));
}

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
            if (button->text() == wanted) {
                button->click();
                return;
            }
        }
    });
    m_timer->start();
}

MessageBoxAnswers::~MessageBoxAnswers()
{
    delete m_timer;
}

int openDescriptorCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                                .size());
}

int pendingInput(int fd)
{
    int n = 0;
    return ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}
