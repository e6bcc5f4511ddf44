// The serial-device pop-up follows adapters plugged in and pulled out without
// changing what the user picked or opening anything.
#include "devicelist.h"
#include "fixture.h"

#include <QComboBox>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestDeviceList : public QObject {
    Q_OBJECT

private slots:
    void hotPlug_data();
    void hotPlug();
};

namespace {
QStringList items(const QComboBox &combo)
{
    QStringList out;
    for (int i = 0; i < combo.count(); ++i)
        out << combo.itemText(i);
    return out;
}
} // namespace

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
    QComboBox combo;
    combo.show();
    new DeviceList(
        &combo, {"/dev/pts/9"}, [&] { return ports; }, dev.path());
    QCOMPARE(items(combo), QStringList{"Select Serial Device"} + before + QStringList{"/dev/pts/9"});

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

QTEST_MAIN(TestDeviceList)
#include "tst_devicelist.moc"
