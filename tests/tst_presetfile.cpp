// The preset file's text and the built-in table, without any file or window:
// what a save writes, and what the reader makes of files as people edit them.
#include "presets/presetfile.h"

#include <QTest>

using namespace camdeck;

class TestPresetFile : public QObject {
    Q_OBJECT

private slots:
    void defaultSlotReplacesEveryField();
    void defaultSlotOutsideTheTableChangesNothing();
    void written_data();
    void written();
    void read_data();
    void read();
    void pieces_data();
    void pieces();
};

namespace {

PresetSlot slotOf(const QList<int> &values)
{
    PresetSlot s;
    for (qsizetype k = 0; k < values.size(); ++k)
        s.*presetFields[static_cast<std::size_t>(k)] = values[k];
    return s;
}

QList<int> valuesOf(const PresetSlot &s)
{
    QList<int> values;
    for (const auto field : presetFields)
        values << s.*field;
    return values;
}

const QByteArray slot0Text = "01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n";
const QList<int> slot0 = {1, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0};

} // namespace

// Every field is replaced, the ones whose built-in value is 0 too.
void TestPresetFile::defaultSlotReplacesEveryField()
{
    PresetSlots table;
    table.fill(slotOf(QList<int>(15, 77)));
    DefaultSlot(table, 1);
    QCOMPARE(valuesOf(table[1]), (QList<int>{0, 15, 1, 10, 0, 16, 0, 0, 1, 11, 0, 0, 1, 8, 0}));
    QCOMPARE(valuesOf(table[0]), QList<int>(15, 77));
}

void TestPresetFile::defaultSlotOutsideTheTableChangesNothing()
{
    PresetSlots table;
    table.fill(slotOf(QList<int>(15, 77)));
    const PresetSlots before = table;
    DefaultSlot(table, 5);
    DefaultSlot(table, -1);
    DefaultSlot(table, 1000);
    QVERIFY(table == before);
}

void TestPresetFile::written_data()
{
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("preset 1 built-in") << slot0 << slot0Text;
    QTest::newRow("preset 5 built-in")
        << QList<int>{1, 16, 1, 0, 0, 16, 1, 7, 1, 12, 0, 0, 1, 8, 1}
        << QByteArray("01\n16\n01\n00\n00\n16\n01\n07\n01\n12\n00\n00\n01\n08\n01\n");
    QTest::newRow("negative, -1 to -9")
        << QList<int>{-1, -9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -5}
        << QByteArray("-1\n-9\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n-5\n");
    QTest::newRow("too wide: clamped to -9..99")
        << QList<int>{100, -10, 12345, -2147483647 - 1, 99, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}
        << QByteArray("99\n-9\n99\n-9\n99\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n");
}

// What a save writes is always fifteen three-character lines that read back as written.
void TestPresetFile::written()
{
    QFETCH(QList<int>, values);
    QFETCH(QByteArray, text);
    const std::string written = formatPresetFile(slotOf(values));
    QCOMPARE(QByteArray::fromStdString(written), text);
    QCOMPARE(written.size(), std::size_t(45));
    QCOMPARE(formatPresetFile(parsePresetFile(written)), written);
}

void TestPresetFile::read_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("as written") << slot0Text << slot0;
    QTest::newRow("other separators")
        << QByteArray("01 16;01,11\t00|16x00y00 01 12 00 00 01 08 00.") << slot0;
    QTest::newRow("CR before LF shifts by one per line")
        << QByteArray("01\r\n16\r\n01\r\n11\r\n00\r\n")
        << QList<int>{1, 1, 0, 1, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("extra lines") << slot0Text + "77\n88\n99\n" << slot0;
    QTest::newRow("46 bytes") << slot0Text + "7" << slot0;
    // The reader counts bytes: a two-byte UTF-8 letter fills one value's place.
    QTest::newRow("non-ASCII bytes")
        << QByteArray("\xC3\xA9\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n\xFF\xFE\n")
        << QList<int>{0, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0};
    QTest::newRow("anything after the 44th character")
        << slot0Text.left(44) + "junk that is no number" << slot0;
    // "1" written without its leading zero: every later value is read one place on.
    QTest::newRow("two-character line shifts later fields")
        << QByteArray("1\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n")
        << QList<int>{1, 6, 1, 1, 0, 6, 0, 0, 1, 2, 0, 0, 1, 8, 0};
    QTest::newRow("negative values")
        << QByteArray("-1\n-9\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n-5\n")
        << QList<int>{-1, -9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -5};
    QTest::newRow("empty") << QByteArray() << QList<int>(15, 0);
    QTest::newRow("three lines") << QByteArray("01\n16\n01")
                                 << QList<int>{1, 16, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("ends inside a value")
        << QByteArray("01\n16\n0") << QList<int>{1, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("43 characters: last value one digit")
        << slot0Text.left(42) + "1" << QList<int>{1, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 1};
    QTest::newRow("letters") << QByteArray("ab\nON\n1x\n")
                             << QList<int>{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

void TestPresetFile::read()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, values);
    QCOMPARE(valuesOf(parsePresetFile(text.toStdString())), values);
}

void TestPresetFile::pieces_data()
{
    QTest::addColumn<QByteArray>("piece");
    QTest::addColumn<int>("value");
    QTest::newRow("07") << QByteArray("07") << 7;
    QTest::newRow("space 7") << QByteArray(" 7") << 7;
    QTest::newRow("tab 7") << QByteArray("\t7") << 7;
    QTest::newRow("-3") << QByteArray("-3") << -3;
    QTest::newRow("+4") << QByteArray("+4") << 4;
    QTest::newRow("7 letter") << QByteArray("7x") << 7;
    QTest::newRow("7 line feed") << QByteArray("7\n") << 7;
    QTest::newRow("two letters") << QByteArray("ab") << 0;
    QTest::newRow("sign alone") << QByteArray("-\n") << 0;
    QTest::newRow("two signs") << QByteArray("--") << 0;
    QTest::newRow("space sign") << QByteArray(" -") << 0;
    QTest::newRow("one digit") << QByteArray("9") << 9;
    QTest::newRow("nothing") << QByteArray() << 0;
}

void TestPresetFile::pieces()
{
    QFETCH(QByteArray, piece);
    QFETCH(int, value);
    QCOMPARE(presetPieceValue(piece.toStdString()), value);
}

QTEST_APPLESS_MAIN(TestPresetFile)
#include "tst_presetfile.moc"
