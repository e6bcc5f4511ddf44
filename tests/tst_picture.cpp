// The picture modes and display toggles, driven through the window on a
// pseudo-terminal: every pop-up, the composed registers 8/1, 8/2 and 4/0,
// the centre button and the web-site button.
#include "benchwindow.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QUrl>

using namespace camdeck;

namespace {

QString frame8(int group, int index, int value)
{
    return hex(commandFrame8(group, index, value));
}

// What the desktop was asked to open, instead of a browser.
class UrlRecorder : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl &url) { opened << url; }

public:
    QList<QUrl> opened;
};

} // namespace

class TestPicture : public QObject {
    Q_OBJECT

private slots:
    void modes_data();
    void modes();
    void toggles_data();
    void toggles();
    void colourModeReadsTheATWBox();
    void centre_data();
    void centre();
    void website();

private:
    TemporaryHome m_home;
};

void TestPicture::modes_data()
{
    QTest::addColumn<QString>("popup");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("frame");
    QTest::newRow("sdv item 1: 8/36 = 0x10")
        << "sdvSelect" << 1 << "01 00 28 05 08 24 00 01 10 2E 6C";
    QTest::newRow("hdv item 3: 8/35 = 0x30") << "hdvSelect" << 3 << frame8(8, 35, 0x30);
    QTest::newRow("xdr item 2: 3/0 = 2") << "xdrSelect" << 2 << frame8(3, 0, 2);
    QTest::newRow("fog item 3: 3/1 = 3") << "fogSelect" << 3 << frame8(3, 1, 3);
    QTest::newRow("eclipse item 1: 3/2 = 1") << "eclipseSelect" << 1 << frame8(3, 2, 1);
    QTest::newRow("dnr item 1: 3/3 = 1") << "dnrSelect" << 1 << frame8(3, 3, 1);
    QTest::newRow("gamma item 4: 3/6 = 4") << "gammaSelect" << 4 << frame8(3, 6, 4);
    QTest::newRow("sharpness item 2: 3/7 = 2") << "sharpnessSelect" << 2 << frame8(3, 7, 2);
    QTest::newRow("magnification item 2: 5/0 = 2") << "magnificationSelect" << 2 << frame8(5, 0, 2);
    QTest::newRow("colour mode item 3, ATW off: 4/0 = 0x0C")
        << "colormodeSelect" << 3 << frame8(4, 0, 0x0C);
    QTest::newRow("item 0 is sent too: 3/0 = 0") << "xdrSelect" << 0 << frame8(3, 0, 0);
    // Longer pop-ups than this layout has: only the low 8 bits of the shifted index go out.
    QTest::newRow("sdv item 17: 8/36 = 0x10") << "sdvSelect" << 17 << frame8(8, 36, 0x10);
    QTest::newRow("colour mode item 65: 4/0 = 0x04")
        << "colormodeSelect" << 65 << frame8(4, 0, 0x04);
    QTest::newRow("xdr item 257: 3/0 = 0x01") << "xdrSelect" << 257 << frame8(3, 0, 0x01);
}

void TestPicture::modes()
{
    QFETCH(QString, popup);
    QFETCH(int, item);
    QFETCH(QString, frame);
    Bench bench;
    auto *combo = bench.control<QComboBox>(popup.toLatin1());
    bench.open();
    if (item < combo->count()) {
        chooseItem(combo, item);
    } else {
        while (combo->count() <= item)
            combo->addItem(QString::number(combo->count()));
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_End); // the keyboard reaches the last item
        QCOMPARE(combo->currentIndex(), item);
    }
    QCOMPARE(hex(bench.peer.takeAll()), frame);
}

void TestPicture::toggles_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("frames");
    QTest::newRow("colour bar alone: 8/2 = 0x08")
        << QStringList{"colorbarSelect"} << QStringList{"01 00 28 05 08 02 00 01 08 76 C0"};
    QTest::newRow("colour bar, crosshair, colour bar off, crosshair off: 08 0C 04 00")
        << QStringList{"colorbarSelect", "crosshairSelect", "colorbarSelect", "crosshairSelect"}
        << QStringList{"01 00 28 05 08 02 00 01 08 76 C0", "01 00 28 05 08 02 00 01 0C 72 C0",
                       frame8(8, 2, 0x04), frame8(8, 2, 0x00)};
    QTest::newRow("negative alone: 8/1 = 0x80")
        << QStringList{"negativeSelect"} << QStringList{frame8(8, 1, 0x80)};
    QTest::newRow("horizontal flip, then negative: 8/1 = 0x01, 0x81")
        << QStringList{"hflipSelect", "negativeSelect"}
        << QStringList{frame8(8, 1, 0x01), "01 00 28 05 08 01 00 01 81 AC 95"};
    QTest::newRow("vertical flip keeps its bit whichever box fires: 02 82 80")
        << QStringList{"vflipSelect", "negativeSelect", "vflipSelect"}
        << QStringList{frame8(8, 1, 0x02), frame8(8, 1, 0x82), frame8(8, 1, 0x80)};
    QTest::newRow("aspect on, off: 8/0 = 0x04, 0x00")
        << QStringList{"aspectSelect", "aspectSelect"}
        << QStringList{"01 00 28 05 08 00 00 01 04 18 A6", frame8(8, 0, 0x00)};
    QTest::newRow("freeze on, off: 8/38 = 1, 0") << QStringList{"freezeSelect", "freezeSelect"}
                                                 << QStringList{frame8(8, 38, 1), frame8(8, 38, 0)};
}

void TestPicture::toggles()
{
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, frames);
    Bench bench;
    bench.open();
    for (int i = 0; i < clicks.size(); ++i) {
        Bench::tick(bench.control<QCheckBox>(clicks[i].toLatin1()));
        QCOMPARE(hex(bench.peer.takeAll()), frames[i]);
    }
}

void TestPicture::colourModeReadsTheATWBox()
{
    Bench bench;
    auto *colormode = bench.control<QComboBox>("colormodeSelect");
    auto *atw = bench.control<QCheckBox>("atwSelect");
    bench.open();
    QVERIFY(!atw->isChecked());
    chooseItem(colormode, 3);
    QCOMPARE(hex(bench.peer.takeAll()), frame8(4, 0, 0x0C));
    Bench::tick(atw); // the white-balance pair's own frames are not ours
    bench.peer.takeAll();
    chooseItem(colormode, 3);
    QCOMPARE(hex(bench.peer.takeAll()), frame8(4, 0, 0x0D));
    chooseItem(colormode, 2);
    QCOMPARE(hex(bench.peer.takeAll()), QString("01 00 28 05 04 00 00 01 09 74 D3"));
}

void TestPicture::centre_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::newRow("sliders elsewhere") << 100 << 700;
    QTest::newRow("sliders already at 320, 360") << 320 << 360;
}

void TestPicture::centre()
{
    QFETCH(int, x);
    QFETCH(int, y);
    Bench bench;
    auto *sliderX = bench.control<QSlider>("crosshairxpositionsliderSelect");
    auto *sliderY = bench.control<QSlider>("crosshairypositionsliderSelect");
    auto *labelX = bench.control<QLabel>("crossxposslidervalue");
    auto *labelY = bench.control<QLabel>("crossyposslidervalue");
    bench.open();
    if (sliderX->value() != x)
        dragSlider(sliderX, x);
    if (sliderY->value() != y)
        dragSlider(sliderY, y);
    labelX->setText("?");
    labelY->setText("?");
    bench.peer.takeAll();

    QTest::mouseClick(bench.control<QPushButton>("centerSelect"), Qt::LeftButton);
    // One 32-bit frame and nothing from the sliders' own actions.
    QCOMPARE(hex(bench.peer.takeAll()), QString("01 00 28 08 08 03 00 04 40 01 68 01 E6 D3"));
    QCOMPARE(sliderX->value(), 320);
    QCOMPARE(sliderY->value(), 360);
    QCOMPARE(labelX->text(), QString("320"));
    QCOMPARE(labelY->text(), QString("360"));
}

void TestPicture::website()
{
    UrlRecorder desktop;
    QDesktopServices::setUrlHandler("https", &desktop, "open");
    QDesktopServices::setUrlHandler("http", &desktop, "open");
    Bench bench;
    bench.open();
    QTest::mouseClick(bench.control<QPushButton>("websiteSelect"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("http");
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl(QStringLiteral(CAMDECK_WEBSITE_URL))});
    QVERIFY(desktop.opened.first().isValid());
    QCOMPARE(bench.peer.takeAll().size(), std::size_t(0));
}

QTEST_MAIN(TestPicture)
#include "tst_picture.moc"
