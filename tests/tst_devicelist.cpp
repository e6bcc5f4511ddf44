// The serial-device pop-up says what each adapter is and opens its path; it
// asks the system for ports only once the window is painted, and follows
// adapters plugged in and pulled out without changing what the user picked
// or opening anything.
#include "devicelist.h"
#include "fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestDeviceList : public QObject {
    Q_OBJECT

private slots:
    void itemsSayWhatTheAdapterIs_data();
    void itemsSayWhatTheAdapterIs();
    void hotPlug_data();
    void hotPlug();
    void listOpenWhileItFills();
};

namespace {
QStringList items(const QComboBox &combo)
{
    QStringList out;
    for (int i = 0; i < combo.count(); ++i)
        out << combo.itemText(i);
    return out;
}

// "path|description|maker|serial number", as the system would report them.
QList<PortInfo> portsFrom(const QStringList &rows, const QString &folder)
{
    QList<PortInfo> ports;
    for (const QString &row : rows) {
        const QStringList f = QString(row).replace("%1", folder).split('|');
        ports.append({f.value(0), f.value(1), f.value(2), f.value(3)});
    }
    return ports;
}
} // namespace

void TestDeviceList::itemsSayWhatTheAdapterIs_data()
{
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QString>("extra"); // path|description, as --device or --simulate give it
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::newRow("USB adapter") << QStringList{"/dev/ttyUSB0|FT232R USB UART|FTDI|A12345"} << ""
                                 << "/dev/ttyUSB0"
                                 << "FT232R USB UART — FTDI — A12345 — /dev/ttyUSB0";
    QTest::newRow("built-in port: nothing known") << QStringList{"/dev/ttyS0|||"} << ""
                                                  << "/dev/ttyS0"
                                                  << "/dev/ttyS0";
    QTest::newRow("the simulator") << QStringList{} << "/dev/pts/9|Simulated camera"
                                   << "/dev/pts/9"
                                   << "Simulated camera — /dev/pts/9";
    QTest::newRow("a by-id link: described as its adapter")
        << QStringList{"%1/ttyUSB0|FT232R USB UART|FTDI|A12345"} << "%1/by-id/usb-FTDI-A12345|"
        << "%1/by-id/usb-FTDI-A12345"
        << "FT232R USB UART — FTDI — A12345 — %1/by-id/usb-FTDI-A12345";
    // What QSerialPortInfo itself says of a pseudo-terminal: nothing.
    QTest::newRow("a pty, as the system reports it") << QStringList{"system"} << "pty"
                                                     << "pty"
                                                     << "pty";
}

void TestDeviceList::itemsSayWhatTheAdapterIs()
{
    QFETCH(QStringList, system);
    QFETCH(QString, extra);
    QFETCH(QString, path);
    QFETCH(QString, text);
    QTemporaryDir dev;
    QFile(dev.filePath("ttyUSB0")).open(QIODevice::WriteOnly);
    QVERIFY(QDir(dev.path()).mkdir("by-id"));
    QVERIFY(QFile::link(dev.filePath("ttyUSB0"), dev.filePath("by-id/usb-FTDI-A12345")));
    PtyPeer pty;
    const auto place = [&](QString s) {
        return s.replace("%1", dev.path()).replace("pty", QString::fromStdString(pty.slavePath()));
    };

    QComboBox combo;
    DeviceList::PortLister lister = [&] { return portsFrom(system, dev.path()); };
    if (system == QStringList{"system"})
        lister = &DeviceList::systemPorts;
    auto *list = new DeviceList(&combo, {}, lister, dev.path());
    if (!extra.isEmpty())
        list->addDevice(place(extra.section('|', 0, 0)), extra.section('|', 1));
    combo.show();
    QTRY_VERIFY(combo.findData(place(path)) > 0);
    QTRY_COMPARE(combo.itemText(combo.findData(place(path))), place(text));
    QCOMPARE(combo.itemText(0), QString("Select Serial Device"));

    QSignalSpy activated(&combo, &QComboBox::activated);
    chooseItem(&combo, combo.findData(place(path)));
    QCOMPARE(activated.count(), 1);
    QCOMPARE(combo.currentData().toString(), place(path)); // what the window opens
}

void TestDeviceList::hotPlug_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("stillPicked");
    QTest::newRow("adapter plugged in") << QStringList{"/dev/ttyS0"} << "/dev/pts/9"
                                        << QStringList{"/dev/ttyS0", "/dev/ttyUSB0"} << "/dev/pts/9";
    QTest::newRow("another adapter pulled") << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"} << "/dev/ttyUSB1"
                                            << QStringList{"/dev/ttyUSB1"} << "/dev/ttyUSB1";
    QTest::newRow("picked adapter pulled")
        << QStringList{"/dev/ttyUSB0"} << "/dev/ttyUSB0" << QStringList{} << "Select Serial Device";
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
        &combo, {"/dev/pts/9"},
        [&] {
            ++asked;
            return portsFrom(ports, {});
        },
        dev.path());
    // Nothing waits on the system's ports until the pop-up has been painted.
    QCOMPARE(asked, 0);
    QCOMPARE(items(combo), QStringList({"Select Serial Device", "/dev/pts/9"}));
    combo.show();
    QTRY_COMPARE(items(combo),
                 QStringList{"Select Serial Device"} + before + QStringList{"/dev/pts/9"});

    QSignalSpy activated(&combo, &QComboBox::activated);
    chooseItem(&combo, combo.findText(picked));
    QCOMPARE(activated.count(), 1);

    ports = after;
    QFile node(dev.filePath("ttyUSB0"));
    QVERIFY(node.open(QIODevice::WriteOnly)); // the system adds a device node
    const QStringList expected = QStringList{"Select Serial Device"} + after + QStringList{"/dev/pts/9"};
    QTRY_COMPARE(items(combo), expected);
    QCOMPARE(combo.currentText(), stillPicked);
    QCOMPARE(activated.count(), 1); // nothing was opened by the change
}

// Opened the moment the window shows, the list is still short: it grows to
// fit when the system's ports come in, and what the user then clicks opens.
void TestDeviceList::listOpenWhileItFills()
{
    QTemporaryDir dev;
    QComboBox combo;
    new DeviceList(
        &combo, {"/dev/pts/9"},
        [] {
            return QList<PortInfo>{{"/dev/ttyS0"}, {"/dev/ttyUSB0"}};
        },
        dev.path());
    combo.show();
    combo.showPopup();
    QTRY_COMPARE(combo.count(), 4);
    QSignalSpy activated(&combo, &QComboBox::activated);
    QAbstractItemView *view = combo.view(); // the list as it is open, not opened again
    const QModelIndex row = view->model()->index(combo.findData("/dev/ttyUSB0"), 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(row).center());
    QCOMPARE(activated.count(), 1);
    QCOMPARE(combo.currentData().toString(), QString("/dev/ttyUSB0"));
}

QTEST_MAIN(TestDeviceList)
#include "tst_devicelist.moc"
