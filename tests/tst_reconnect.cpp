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

void TestReconnect::knowsItsAdapter_data()
{
    // "dev/ttyUSB0|A12345": a node, and the serial number the system reports for
    // it; "… -> dev/ttyUSB0": a by-id link to it; "dev/serial/by-id/": folders.
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QStringList>("back"); // in steps, each taken before the next
    QTest::addColumn<QString>("reopened");
    const QString byId = "dev/serial/by-id/usb-FTDI_A12345-if00-port0";
    QTest::newRow("same serial number, another ttyUSB number")
        << QStringList{"dev/ttyUSB0|A12345"} << "dev/ttyUSB0" << QStringList{"dev/ttyUSB1|A12345"}
        << "dev/ttyUSB1";
    QTest::newRow("another adapter at its path is not it")
        << QStringList{"dev/ttyUSB0|A12345"} << "dev/ttyUSB0"
        << QStringList{"dev/ttyUSB0|B67890", "dev/ttyUSB1|A12345"} << "dev/ttyUSB1";
    QTest::newRow("opened by its by-id name: that name again")
        << QStringList{"dev/ttyUSB0|", byId + " -> dev/ttyUSB0"} << byId
        << QStringList{"dev/ttyUSB1|", byId + " -> dev/ttyUSB1"} << byId;
    // udev makes the node, then the folders, then the link.
    QTest::newRow("opened as a node, known by its by-id name")
        << QStringList{"dev/ttyUSB0|", byId + " -> dev/ttyUSB0"} << "dev/ttyUSB0"
        << QStringList{"dev/ttyUSB2|", "dev/serial/by-id/", byId + " -> dev/ttyUSB2"}
        << "dev/ttyUSB2";
}

void TestReconnect::knowsItsAdapter()
{
    QFETCH(QStringList, before);
    QFETCH(QString, opened);
    QFETCH(QStringList, back);
    QFETCH(QString, reopened);
    QTemporaryDir dir;
    const auto at = [&](const QString &relative) { return dir.filePath(relative); };
    QMap<QString, QString> serials;
    const auto make = [&](const QString &entry) {
        const QString path = at(entry.section(" -> ", 0, 0).section('|', 0, 0));
        QDir().mkpath(entry.endsWith('/') ? path : QFileInfo(path).absolutePath());
        if (entry.contains(" -> ")) { // made in one step, as udev makes it
            QFile::link(at(entry.section(" -> ", 1)), path + ".new");
            QFile::rename(path + ".new", path);
        } else if (!entry.endsWith('/')) {
            QFile(path).open(QIODevice::WriteOnly);
            serials[path] = entry.section('|', 1);
        }
    };
    const auto ports = [&] {
        QList<PortInfo> listed;
        for (auto it = serials.cbegin(); it != serials.cend(); ++it)
            listed.append({it.key(), "USB UART", "FTDI", it.value()});
        return listed;
    };
    for (const QString &entry : before)
        make(entry);
    Reconnect reconnect(nullptr, ports, at("dev"), at("dev/serial/by-id"));
    QSignalSpy gone(&reconnect, &Reconnect::gone);
    QSignalSpy cameBack(&reconnect, &Reconnect::cameBack);
    reconnect.opened(at(opened), ports());

    // Pulled: the node goes, and udev takes the links and the folders they leave empty.
    for (const QString &node : serials.keys())
        QFile::remove(node);
    serials.clear();
    QDir(at("dev/serial")).removeRecursively();
    QTRY_COMPARE(gone.count(), 1);
    QCOMPARE(gone.at(0).at(0).toString(), at(opened));
    QVERIFY(reconnect.lost());

    for (const QString &entry : back) {
        make(entry);
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(cameBack.count(), 1);
    QCOMPARE(cameBack.at(0).at(0).toString(), at(reopened));
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
}

QTEST_MAIN(TestReconnect)
#include "tst_reconnect.moc"
