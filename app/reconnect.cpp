#include "reconnect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// Unix 98 pseudo-terminal slaves have majors 136 to 143.
bool isPseudoTerminal(const QString &path)
{
    struct stat status { };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    const unsigned int kind = major(status.st_rdev);
    return kind >= 136 && kind <= 143;
}

} // namespace

Reconnect::Reconnect(QObject *parent, DeviceList::PortLister lister, const QString &deviceDirectory,
                     const QString &byIdDirectory)
    : QObject(parent)
    , m_lister(std::move(lister))
    , m_deviceDirectory(deviceDirectory)
    , m_byIdDirectory(byIdDirectory)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &Reconnect::changed);
}

void Reconnect::opened(const QString &path, const QList<PortInfo> &ports)
{
    const QFileInfo info(path);
    m_path = path;
    m_node = info.canonicalFilePath();
    m_serialNumber.clear();
    for (const PortInfo &port : ports) {
        if (port.path == m_node)
            m_serialNumber = port.serialNumber.trimmed();
    }
    m_byIdNames.clear();
    const auto names = QDir(m_byIdDirectory)
                           .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &name : names) {
        if (name.canonicalFilePath() == m_node)
            m_byIdNames << name.absoluteFilePath();
    }
    // A link is a name someone chose for the device; a pty's number is not.
    m_pathIsIdentity = info.isSymLink() || !isPseudoTerminal(m_node);
    m_goneSaid = false;
    m_state = State::Watching;
    watchFolders();
}

bool Reconnect::lost()
{
    if (m_path.isEmpty()
        || (m_byIdNames.isEmpty() && m_serialNumber.isEmpty() && !m_pathIsIdentity)) {
        cancel();
        return false;
    }
    const bool wasOpen = m_state == State::Watching;
    m_state = State::Waiting;
    watchFolders();
    // Already back elsewhere (a link pointed at a new device, a bridge that
    // restarted at once): no change is coming to say so. The device that was
    // lost may still be on its way out, so its own node does not count.
    if (wasOpen) {
        QTimer::singleShot(0, this, [this] {
            if (m_state == State::Waiting)
                lookAgain(true);
        });
    }
    return true;
}

void Reconnect::cancel()
{
    m_state = State::Idle;
    m_path.clear();
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
}

// Every folder on the way to the device, as far as it exists: /dev/serial/by-id
// and its parent come and go with the adapters, so each change watches anew
// before it looks, and nothing made meanwhile is missed.
void Reconnect::watchFolders()
{
    QStringList folders{m_deviceDirectory, QFileInfo(m_path).absolutePath()};
    if (!m_byIdNames.isEmpty())
        folders << QFileInfo(m_byIdDirectory).absolutePath() << m_byIdDirectory;
    const QStringList watched = m_watcher.directories();
    for (const QString &folder : std::as_const(folders)) {
        if (!watched.contains(folder) && QFileInfo(folder).isDir())
            m_watcher.addPath(folder);
    }
}

void Reconnect::changed()
{
    watchFolders();
    if (m_state == State::Watching && !m_goneSaid) {
        const QFileInfo info(m_path);
        if (!info.exists() || info.canonicalFilePath() != m_node) {
            m_goneSaid = true;
            emit gone(m_path);
        }
    } else if (m_state == State::Waiting) {
        lookAgain(false);
    }
}

void Reconnect::lookAgain(bool onlyElsewhere)
{
    const QString at = whereItIs();
    if (at.isEmpty() || (onlyElsewhere && QFileInfo(at).canonicalFilePath() == m_node))
        return;
    // Whoever opens it says opened() or lost() next.
    m_state = State::Idle;
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    emit cameBack(at);
}

QString Reconnect::whereItIs() const
{
    // The by-id names first: udev makes them once it knows the adapter.
    for (const QString &name : m_byIdNames) {
        const QString node = QFileInfo(name).canonicalFilePath();
        if (!node.isEmpty())
            return preferred(node);
    }
    if (!m_serialNumber.isEmpty()) {
        const QList<PortInfo> ports = m_lister();
        for (const PortInfo &port : ports) {
            if (port.serialNumber.trimmed() == m_serialNumber)
                return preferred(port.path);
        }
    }
    // Another adapter at the same path is not this one.
    if (!m_byIdNames.isEmpty() || !m_serialNumber.isEmpty())
        return {};
    return QFileInfo::exists(m_path) ? m_path : QString();
}

// The name the user opened, when it leads there (a by-id name, a link of
// theirs); else the device itself.
QString Reconnect::preferred(const QString &node) const
{
    return QFileInfo(m_path).canonicalFilePath() == node ? m_path : node;
}
