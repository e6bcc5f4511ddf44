#include "windowdriver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

namespace {

bool choose(QComboBox *combo, const std::function<int()> &row)
{
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    if (!waitUntil([view] { return view->isVisible(); }, 5000) || row() < 0)
        return false;
    const QRect item = view->visualRect(view->model()->index(row(), 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    return true;
}

} // namespace

bool chooseItem(QComboBox *combo, int index)
{
    return choose(combo, [index] { return index; });
}

bool chooseItem(QComboBox *combo, const QString &text)
{
    return choose(combo, [combo, text] {
        const int shown = combo->findText(text);
        return shown >= 0 ? shown : combo->findData(text);
    });
}

// Press on the handle, move it to value, let go: the slider reports on release.
bool dragSlider(QSlider *slider, int value)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.subControls = QStyle::SC_All;
    option.orientation = slider->orientation();
    option.maximum = slider->maximum();
    option.minimum = slider->minimum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    const QPoint handle
        = slider->style()
              ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
              .center();
    QTest::mousePress(slider, Qt::LeftButton, {}, handle);
    const bool down = slider->isSliderDown();
    slider->setSliderPosition(value);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, handle);
    return down;
}

// On the box and its text, where a user aims.
void tick(QCheckBox *box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect hit = box->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, hit.center());
}

bool actOn(QWidget *control, int value)
{
    if (auto *box = qobject_cast<QCheckBox *>(control)) {
        tick(box);
        return true;
    }
    if (auto *slider = qobject_cast<QSlider *>(control))
        return dragSlider(slider, value);
    if (auto *combo = qobject_cast<QComboBox *>(control))
        return chooseItem(combo, value);
    QTest::mouseClick(control, Qt::LeftButton);
    return true;
}

bool pickMenuAction(QMainWindow *window, QAction *action)
{
    QMenuBar *bar = window->menuBar();
    const QList<QAction *> titles = bar->actions();
    for (QAction *title : titles) {
        QMenu *menu = title->menu();
        if (!menu || !menu->actions().contains(action))
            continue;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
        if (!QTest::qWaitForWindowExposed(menu))
            return false;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        return waitUntil([menu] { return !menu->isVisible(); }, 5000);
    }
    return false;
}

bool reactivate(QWidget *window)
{
    // Offscreen, once a pop-up has closed and events have run, the window
    // still counts as active but its shortcuts find no active window; taking
    // the activation away and back sets it right.
    QWidget other;
    other.show();
    other.activateWindow();
    const bool away = QTest::qWaitForWindowActive(&other);
    other.hide();
    window->activateWindow();
    return away && QTest::qWaitForWindowActive(window);
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(1);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

bool settle(camdeck::SendQueue &queue, int timeoutMs)
{
    int idleChecks = 0;
    return waitUntil([&] { return queue.busy() ? (idleChecks = 0, false) : ++idleChecks >= 3; },
                     timeoutMs);
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
