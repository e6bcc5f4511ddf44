#include "setupmenu.h"
#include "findchild.h"
#include "mainwindow.h"

#include "panel/camerapanel.h"
#include "presets/setupstore.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>

namespace {

constexpr int recentCount = 5;

} // namespace

SetupMenu::SetupMenu(MainWindow &window, camdeck::CameraPanel &camera, QMenu *file)
    : QObject(&window)
    , m_window(window)
    , m_camera(camera)
{
    QAction *open = file->addAction(tr("&Open setup…"), this, [this] {
        const QString path = m_choosePath(false);
        if (!path.isEmpty())
            this->open(path);
    });
    open->setObjectName(QStringLiteral("openSetupAction"));
    open->setShortcut(QKeySequence::Open);
    QAction *save = file->addAction(tr("&Save setup…"), this, [this] {
        const QString path = m_choosePath(true);
        if (!path.isEmpty())
            this->save(path);
    });
    save->setObjectName(QStringLiteral("saveSetupAction"));
    save->setShortcut(QKeySequence::Save);
    m_recentMenu = file->addMenu(tr("&Recent setups"));
    m_recentMenu->setObjectName(QStringLiteral("recentSetupsMenu"));
    file->addSeparator();
    QAction *sendAll = file->addAction(tr("Send &all"), &m_window, &MainWindow::sendAll);
    sendAll->setObjectName(QStringLiteral("sendAllAction"));
    sendAll->setShortcut(Qt::Key_F5);
    file->addSeparator();

    m_choosePath = [this](bool saving) {
        // The dialog starts elsewhere when the folder is not there yet.
        QDir().mkpath(camdeck::setupDirectory());
        return saving
            ? QFileDialog::getSaveFileName(&m_window, tr("Save setup"),
                                           camdeck::setupDirectory() + QStringLiteral("/setup.txt"),
                                           tr("Setups (*.txt);;All files (*)"))
            : QFileDialog::getOpenFileName(&m_window, tr("Open setup"), camdeck::setupDirectory(),
                                           tr("Setups (*.txt);;All files (*)"));
    };
    setRecent({});
}

bool SetupMenu::open(const QString &path)
{
    const camdeck::SetupText file = camdeck::readSetupText(path);
    const camdeck::SetupRead read = file.ok() ? camdeck::parseSetup(file.text)
                                              : camdeck::SetupRead{{}, file.error.toStdString()};
    if (!read.ok()) {
        emit said(
            tr("Setup not opened: %1%2")
                .arg(file.ok() ? path + QStringLiteral(", ") : QString(),
                     QString::fromStdString(read.error)));
        return false;
    }
    remember(path);
    take(read.setup);
    if (m_window.isConnected())
        emit said(tr("Setup %1 opened and sent").arg(QFileInfo(path).fileName()));
    return true;
}

void SetupMenu::take(const camdeck::Setup &setup)
{
    m_camera.take(setup, false);
    showKept();
    m_window.sendAll();
}

bool SetupMenu::save(const QString &path)
{
    const QString error = camdeck::writeSetupText(path, camdeck::formatSetup(m_camera.setup()));
    if (!error.isEmpty()) {
        emit said(tr("Setup not saved: %1").arg(error));
        return false;
    }
    remember(path);
    emit said(tr("Setup saved in %1").arg(path));
    return true;
}

void SetupMenu::showKept()
{
    const camdeck::Setup kept = m_camera.setup();
    auto *text = requireChild<QLineEdit>(&m_window, QStringLiteral("textstringSelect"));
    text->setText(QString::fromStdU16String(kept.text.value_or(std::u16string())));
    for (const auto &[which, on] : kept.switches) {
        auto *box = requireChild<QCheckBox>(&m_window, QLatin1String(which->outlet));
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    }
}

void SetupMenu::remember(const QString &path)
{
    QStringList paths = m_recent;
    paths.removeAll(path);
    paths.prepend(path);
    setRecent(paths.mid(0, recentCount));
}

void SetupMenu::setRecent(const QStringList &paths)
{
    m_recent = paths;
    m_recentMenu->clear();
    for (const QString &path : paths)
        m_recentMenu->addAction(QFileInfo(path).fileName(), this, [this, path] { open(path); })
            ->setToolTip(path);
    m_recentMenu->setEnabled(!paths.isEmpty());
}
