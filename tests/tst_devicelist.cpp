// The serial-device pop-up says what each adapter is and opens its path; it
// asks the system for ports only once the window is painted, and follows
// adapters plugged in and pulled out without changing what the user picked
// or opening anything. A pulled adapter is known when it comes back, in a /dev
// of the test's own: device nodes are plain files, udev's by-id names links to
// them, and the system's port list (with serial numbers) is what the test says.
#include "devicelist.h"
#include "fixture.h"
#include "reconnect.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <utility>

class TestDeviceList : public QObject {
    Q_OBJECT

private slots:
    void itemsSayWhatTheAdapterIs();
    void hotPlug_data();
    void hotPlug();
    void knowsItsAdapter_data();
    void knowsItsAdapter();
    void ptyNumberIsNotWaitedFor();
};

namespace {

// "path|description|maker|serial number", as the system would report them.
QList<PortInfo> portsFrom(const QStringList &rows)
{
    QList<PortInfo> ports;
    for (const QString &row : rows) {
        const QStringList f = row.split('|');
        ports.append({f.value(0), f.value(1), f.value(2), f.value(3)});
    }
    return ports;
}
} // namespace

// The system's ports in its order, then those given with --device or
// --simulate; a by-id link is described as its adapter; the path is what opens.
void TestDeviceList::itemsSayWhatTheAdapterIs()
{
    QTemporaryDir dev;
    QFile(dev.filePath("ttyUSB0")).open(QIODevice::WriteOnly);
    QVERIFY(QDir(dev.path()).mkdir("by-id"));
    const QString byId = dev.filePath("by-id/usb-FTDI-A12345");
    QVERIFY(QFile::link(dev.filePath("ttyUSB0"), byId));
    QComboBox combo;
    const QStringList system{dev.filePath("ttyUSB0") + "|FT232R USB UART|FTDI|A12345", "/dev/ttyS0|||"};
    auto *list = new DeviceList(
        &combo, {}, [&] { return portsFrom(system); }, dev.path());
    list->addDevice("/dev/pts/9", "Simulated camera");
    list->addDevice(byId);
    combo.show();
    QTRY_COMPARE(
        itemsOf(&combo),
        QStringList({"Select Serial Device", "FT232R USB UART — FTDI — A12345 — " + dev.filePath("ttyUSB0"),
                     "/dev/ttyS0", "Simulated camera — /dev/pts/9", "FT232R USB UART — FTDI — A12345 — " + byId}));
    QCOMPARE(itemsOf(&combo, Qt::UserRole),
             QStringList({"", dev.filePath("ttyUSB0"), "/dev/ttyS0", "/dev/pts/9", byId}));
    QSignalSpy activated(&combo, &QComboBox::activated);
    chooseItem(&combo, 4);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(combo.currentData().toString(), byId); // what the window opens
}

void TestDeviceList::hotPlug_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("stillPicked");
    const auto row = [](const char *name, QStringList before, const char *picked, QStringList after,
                        const char *stillPicked) { QTest::newRow(name) << before << picked << after << stillPicked; };
    row("adapter plugged in", {"/dev/ttyS0"}, "/dev/pts/9", {"/dev/ttyS0", "/dev/ttyUSB0"}, "/dev/pts/9");
    row("another adapter pulled", {"/dev/ttyUSB0", "/dev/ttyUSB1"}, "/dev/ttyUSB1", {"/dev/ttyUSB1"}, "/dev/ttyUSB1");
    row("picked adapter pulled", {"/dev/ttyUSB0"}, "/dev/ttyUSB0", {}, "Select Serial Device");
}

void TestDeviceList::hotPlug()
{
    QFETCH(QStringList, before);
    QFETCH(QString, picked);
    QFETCH(QStringList, after);
    QFETCH(QString, stillPicked);
    QTemporaryDir dev;
    QStringList ports = before;
    int asked = 0;
    QComboBox combo;
    new DeviceList(
        &combo, {"/dev/pts/9"}, [&] { return ++asked, portsFrom(ports); }, dev.path());
    // Nothing waits on the system's ports until the pop-up has been painted.
    QCOMPARE(asked, 0);
    QCOMPARE(itemsOf(&combo), QStringList({"Select Serial Device", "/dev/pts/9"}));
    combo.show();
    QTRY_COMPARE(itemsOf(&combo), QStringList{"Select Serial Device"} + before + QStringList{"/dev/pts/9"});
    QSignalSpy activated(&combo, &QComboBox::activated);
    QVERIFY(chooseItem(&combo, picked));
    QCOMPARE(activated.count(), 1);

    ports = after;
    QFile node(dev.filePath("ttyUSB0"));
    QVERIFY(node.open(QIODevice::WriteOnly)); // the system adds a device node
    QTRY_COMPARE(itemsOf(&combo), QStringList{"Select Serial Device"} + after + QStringList{"/dev/pts/9"});
    QCOMPARE(combo.currentText(), stillPicked);
    QCOMPARE(activated.count(), 1); // nothing was opened by the change
}

void TestDeviceList::knowsItsAdapter_data()
{
    // "dev/ttyUSB0|A12345": a node, and the serial number the system reports for
    // it; "… -> dev/ttyUSB0": a by-id link to it; "dev/serial/by-id/": folders.
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QStringList>("back"); // in steps, each taken before the next
    QTest::addColumn<QString>("reopened");
    const QString byId = "dev/serial/by-id/usb-FTDI_A12345-if00-port0";
    QTest::newRow("same serial number, another ttyUSB number")
        << QStringList{"dev/ttyUSB0|A12345"} << "dev/ttyUSB0" << QStringList{"dev/ttyUSB1|A12345"} << "dev/ttyUSB1";
    QTest::newRow("another adapter at its path is not it")
        << QStringList{"dev/ttyUSB0|A12345"} << "dev/ttyUSB0" << QStringList{"dev/ttyUSB0|B67890", "dev/ttyUSB1|A12345"}
        << "dev/ttyUSB1";
    QTest::newRow("opened by its by-id name: that name again")
        << QStringList{"dev/ttyUSB0|", byId + " -> dev/ttyUSB0"} << byId
        << QStringList{"dev/ttyUSB1|", byId + " -> dev/ttyUSB1"} << byId;
    // udev makes the node, then the folders, then the link.
    QTest::newRow("opened as a node, known by its by-id name")
        << QStringList{"dev/ttyUSB0|", byId + " -> dev/ttyUSB0"} << "dev/ttyUSB0"
        << QStringList{"dev/ttyUSB2|", "dev/serial/by-id/", byId + " -> dev/ttyUSB2"} << "dev/ttyUSB2";
}

void TestDeviceList::knowsItsAdapter()
{
    QFETCH(QStringList, before);
    QFETCH(QString, opened);
    QFETCH(QStringList, back);
    QFETCH(QString, reopened);
    QTemporaryDir dir;
    const auto at = [&](const QString &relative) { return dir.filePath(relative); };
    QStringList nodes; // as the system lists them
    const auto make = [&](const QString &entry) {
        const QString path = at(entry.section(" -> ", 0, 0).section('|', 0, 0));
        QDir().mkpath(entry.endsWith('/') ? path : QFileInfo(path).absolutePath());
        if (entry.contains(" -> ")) { // made in one step, as udev makes it
            QFile::link(at(entry.section(" -> ", 1)), path + ".new");
            QFile::rename(path + ".new", path);
        } else if (!entry.endsWith('/')) {
            QFile(path).open(QIODevice::WriteOnly);
            nodes << path + "|USB UART|FTDI|" + entry.section('|', 1);
        }
    };
    const auto ports = [&] { return portsFrom(nodes); };
    for (const QString &entry : before)
        make(entry);
    Reconnect reconnect(nullptr, ports, at("dev"), at("dev/serial/by-id"));
    QSignalSpy gone(&reconnect, &Reconnect::gone);
    QSignalSpy cameBack(&reconnect, &Reconnect::cameBack);
    reconnect.opened(at(opened), ports());

    // Pulled: the node goes, and udev takes the links and the folders they leave empty.
    for (const QString &node : std::exchange(nodes, {}))
        QFile::remove(node.section('|', 0, 0));
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
void TestDeviceList::ptyNumberIsNotWaitedFor()
{
    PtyPeer pty;
    Reconnect reconnect;
    reconnect.opened(QString::fromStdString(pty.slavePath()), {});
    pty.hangUp();
    QVERIFY(!reconnect.lost());
}

QTEST_MAIN(TestDeviceList)
#include "tst_devicelist.moc"
