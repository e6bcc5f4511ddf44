// Knowing a pulled adapter when it comes back, in a /dev of the test's own:
// device nodes are plain files, udev's by-id names links to them, and the
// system's port list (with serial numbers) is what the test says it is.
#include "ptypeer.h"
#include "reconnect.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestReconnect : public QObject {
    Q_OBJECT

private slots:
    void knowsItsAdapter_data();
    void knowsItsAdapter();
    void ptyNumberIsNotWaitedFor();
};

namespace {

class FakeDev {
public:
    QString at(const QString &relative) const { return m_dir.filePath(relative); }

    // "dev/ttyUSB0|A12345": a node and the serial number the system reports
    // for it; "dev/serial/by-id/usb-X -> dev/ttyUSB0": a link, made in one
    // step; "dev/serial/by-id/": folders.
    void make(const QString &entry)
    {
        if (entry.endsWith('/')) {
            QDir().mkpath(at(entry));
            return;
        }
        if (entry.contains(" -> ")) {
            const QString link = at(entry.section(" -> ", 0, 0));
            QDir().mkpath(QFileInfo(link).absolutePath());
            QFile::link(at(entry.section(" -> ", 1)), link + ".new");
            QFile::rename(link + ".new", link);
            return;
        }
        const QString node = at(entry.section('|', 0, 0));
        QFile(node).open(QIODevice::WriteOnly);
        m_serials[node] = entry.section('|', 1);
    }

    // The adapter is pulled: its node goes, and udev takes its links and the
    // folders they leave empty.
    void pullAll()
    {
        for (const QString &node : m_serials.keys())
            QFile::remove(node);
        m_serials.clear();
        QDir(at("dev/serial")).removeRecursively();
    }

    QList<PortInfo> ports() const
    {
        QList<PortInfo> ports;
        for (auto it = m_serials.cbegin(); it != m_serials.cend(); ++it)
            ports.append({it.key(), "USB UART", "FTDI", it.value()});
        return ports;
    }

private:
    QTemporaryDir m_dir;
    QMap<QString, QString> m_serials;
};

} // namespace

void TestReconnect::knowsItsAdapter_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QStringList>("steps"); // each made in one go, ";" between entries
    QTest::addColumn<QString>("reopened");
    const QString byId = "dev/serial/by-id/usb-FTDI_A12345-if00-port0";

    QTest::newRow("same serial number, another ttyUSB number")
        << QStringList{"dev/ttyUSB0|A12345"} << "dev/ttyUSB0" << QStringList{"dev/ttyUSB1|A12345"}
        << "dev/ttyUSB1";
    QTest::newRow("another adapter at the same path is not it")
        << QStringList{"dev/ttyUSB0|A12345"} << "dev/ttyUSB0"
        << QStringList{"dev/ttyUSB0|B67890", "dev/ttyUSB1|A12345"} << "dev/ttyUSB1";
    QTest::newRow("opened by its by-id name: that name again")
        << QStringList{"dev/ttyUSB0|", byId + " -> dev/ttyUSB0"} << byId
        << QStringList{"dev/ttyUSB1|;" + byId + " -> dev/ttyUSB1"} << byId;
    // udev makes the node, then the folders, then the link: each is watched
    // as it comes.
    QTest::newRow("opened as a node, known by its by-id name")
        << QStringList{"dev/ttyUSB0|", byId + " -> dev/ttyUSB0"} << "dev/ttyUSB0"
        << QStringList{"dev/ttyUSB2|", "dev/serial/by-id/", byId + " -> dev/ttyUSB2"}
        << "dev/ttyUSB2";
    QTest::newRow("nothing known of it: the same path")
        << QStringList{"dev/ttyS4|"} << "dev/ttyS4" << QStringList{"dev/ttyS4|"} << "dev/ttyS4";
}

void TestReconnect::knowsItsAdapter()
{
    QFETCH(QStringList, before);
    QFETCH(QString, opened);
    QFETCH(QStringList, steps);
    QFETCH(QString, reopened);
    FakeDev dev;
    QDir().mkpath(dev.at("dev"));
    for (const QString &entry : before)
        dev.make(entry);
    Reconnect reconnect(
        nullptr, [&] { return dev.ports(); }, dev.at("dev"), dev.at("dev/serial/by-id"));
    QSignalSpy gone(&reconnect, &Reconnect::gone);
    QSignalSpy cameBack(&reconnect, &Reconnect::cameBack);
    reconnect.opened(dev.at(opened), dev.ports());

    dev.pullAll();
    QTRY_COMPARE(gone.count(), 1);
    QCOMPARE(gone.at(0).at(0).toString(), dev.at(opened));
    QVERIFY(reconnect.lost());

    for (const QString &step : steps) {
        for (const QString &entry : step.split(';'))
            dev.make(entry);
        // Its changes are taken before the next step's are made.
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(cameBack.count(), 1);
    QCOMPARE(cameBack.at(0).at(0).toString(), dev.at(reopened));
    QCOMPARE(gone.count(), 1);
}

// The system hands a pty's number to the next program that asks for one: a
// terminal of someone else's is not where the camera went.
void TestReconnect::ptyNumberIsNotWaitedFor()
{
    PtyPeer pty;
    Reconnect reconnect;
    reconnect.opened(QString::fromStdString(pty.slavePath()), {});
    pty.hangUp();
    QVERIFY(!reconnect.lost());
    QVERIFY(!reconnect.isWaiting());
}

QTEST_MAIN(TestReconnect)
#include "tst_reconnect.moc"
