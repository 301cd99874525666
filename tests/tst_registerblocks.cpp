#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/parameterentry.h"
#include "Modbus/registerblocks.h"

#include <QtTest>

#include <cstring>
#include <vector>

namespace {

std::vector<quint16> blockWords(int block)
{
    return std::vector<quint16>(size_t(RegisterBlocks[block].count), 0);
}

quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Puts a 32-bit value at a register offset in the given word order.
void putPair(std::vector<quint16> &words, int offset, quint32 value, int format)
{
    splitDword(value, format, words.data() + offset);
}

} // namespace

class tst_RegisterBlocks : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void blockTable();
    void liveBlocks_data();
    void liveBlocks();
    void errorBitsOppositeOrder_data();
    void errorBitsOppositeOrder();
    void unitAndDecimalsGuarded_data();
    void unitAndDecimalsGuarded();
    void weightCalRecord();
    void pageRecords();
    void systemInformation_data();
    void systemInformation();
    void blocksWithoutDecoding();
};

void tst_RegisterBlocks::init()
{
    g_mirror = DeviceMirror();
    g_dwordFormat = 0;
}

void tst_RegisterBlocks::blockTable()
{
    // Every block that is polled fits one Modbus read (125 registers at most).
    for (int block : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 12, 13, 14, 16, 17, 18, 19})
        QVERIFY2(RegisterBlocks[block].count <= LargestPolledBlock, qPrintable(QString::number(block)));
}

void tst_RegisterBlocks::liveBlocks_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("AB-CD") << 0;
    QTest::newRow("CD-AB") << 1;
}

void tst_RegisterBlocks::liveBlocks()
{
    QFETCH(int, format);
    g_dwordFormat = format;

    auto weight = blockWords(0);
    putPair(weight, 0, quint32(-12345), format); // signed weight survives as its bits
    weight[4] = 0x0203;                          // stable, zero and net (bits 0, 1, 9)
    decodeBlock(0, weight.data());
    QCOMPARE(qint32(g_mirror.live.weight), -12345);
    QCOMPARE(g_mirror.live.status, 0x0203u);

    auto live = blockWords(1);
    putPair(live, 0, floatBits(12.5f), format);
    putPair(live, 2, floatBits(10.0f), format);
    putPair(live, 4, floatBits(2.5f), format);
    putPair(live, 6, floatBits(-0.75f), format);
    putPair(live, 10, quint32(-98765), format);
    putPair(live, 12, 43210u, format);
    decodeBlock(1, live.data());
    QCOMPARE(g_mirror.live.gross, floatBits(12.5f));
    QCOMPARE(g_mirror.live.net, floatBits(10.0f));
    QCOMPARE(g_mirror.live.tare, floatBits(2.5f));
    QCOMPARE(g_mirror.live.flowRate, floatBits(-0.75f));
    QCOMPARE(qint32(g_mirror.live.sensorVoltage), -98765);
    QCOMPARE(g_mirror.live.gainVoltage, 43210u);
}

void tst_RegisterBlocks::errorBitsOppositeOrder_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<quint16>("reg5");
    QTest::addColumn<quint16>("reg6");
    QTest::addColumn<quint32>("bits");

    // With AB-CD register 6 is the high half of the error word.
    QTest::newRow("AB-CD bit 0") << 0 << quint16(0x0001) << quint16(0x0000) << 0x00000001u;
    QTest::newRow("AB-CD bit 16") << 0 << quint16(0x0000) << quint16(0x0001) << 0x00010000u;
    QTest::newRow("CD-AB bit 16") << 1 << quint16(0x0001) << quint16(0x0000) << 0x00010000u;
    QTest::newRow("CD-AB bit 0") << 1 << quint16(0x0000) << quint16(0x0001) << 0x00000001u;
}

void tst_RegisterBlocks::errorBitsOppositeOrder()
{
    QFETCH(int, format);
    QFETCH(quint16, reg5);
    QFETCH(quint16, reg6);
    QFETCH(quint32, bits);

    g_dwordFormat = format;
    const quint16 words[2] = {reg5, reg6};
    decodeBlock(2, words);
    QCOMPARE(g_mirror.live.errorBits, bits);
}

void tst_RegisterBlocks::unitAndDecimalsGuarded_data()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<quint32>("unit");
    QTest::addColumn<quint32>("decimals");
    QTest::addColumn<quint32>("storedUnit");
    QTest::addColumn<quint32>("storedDecimals");

    // The mirror starts from unit 3 and decimals 2.
    QTest::newRow("block 3 valid") << 3 << 6u << 4u << 6u << 4u;
    QTest::newRow("block 3 unit 9 kept") << 3 << 9u << 1u << 3u << 1u;
    QTest::newRow("block 3 decimals 5 kept") << 3 << 0u << 5u << 0u << 2u;
    QTest::newRow("block 4 valid") << 4 << 1u << 0u << 1u << 0u;
    QTest::newRow("block 4 both invalid") << 4 << 7u << 65536u << 3u << 2u;
}

void tst_RegisterBlocks::unitAndDecimalsGuarded()
{
    QFETCH(int, block);
    QFETCH(quint32, unit);
    QFETCH(quint32, decimals);
    QFETCH(quint32, storedUnit);
    QFETCH(quint32, storedDecimals);

    g_mirror.live.unit = g_mirror.weightCal[0] = 3;
    g_mirror.live.decimalPoint = g_mirror.weightCal[1] = 2;
    auto words = blockWords(block);
    putPair(words, 0, unit, 0);
    putPair(words, 2, decimals, 0);
    decodeBlock(block, words.data());
    QCOMPARE(g_mirror.live.unit, storedUnit);
    QCOMPARE(g_mirror.live.decimalPoint, storedDecimals);
    QCOMPARE(g_mirror.weightCal[0], storedUnit);
    QCOMPARE(g_mirror.weightCal[1], storedDecimals);
}

void tst_RegisterBlocks::weightCalRecord()
{
    g_dwordFormat = 1;
    auto words = blockWords(4);
    putPair(words, 4, 500u, 1);               // 204 division
    putPair(words, 6, 300000u, 1);            // 206 full scale
    putPair(words, 12, quint32(-12345), 1);   // 212 zero signal
    putPair(words, 22, 77u, 1);               // 222 point 5
    putPair(words, 34, 123456u, 1);           // 234 max flow rate
    putPair(words, 36, 1u, 1);                // 236 flow-rate unit
    decodeBlock(4, words.data());
    QCOMPARE(g_mirror.weightCal[2], 500u);
    QCOMPARE(g_mirror.weightCal[3], 300000u);
    QCOMPARE(qint32(g_mirror.weightCal[4]), -12345);
    QCOMPARE(g_mirror.weightCal[9], 77u);
    QCOMPARE(g_mirror.weightCal[15], 123456u);
    QCOMPARE(g_mirror.weightCal[16], 1u);

    putPair(words, 36, 2u, 1); // a flow-rate unit of 2 is not stored
    decodeBlock(4, words.data());
    QCOMPARE(g_mirror.weightCal[16], 1u);
}

void tst_RegisterBlocks::pageRecords()
{
    auto basic = blockWords(5);
    putPair(basic, 0, 10u, 0);  // 100 -> field 1
    putPair(basic, 28, 5u, 0);  // 128 -> field 15
    decodeBlock(5, basic.data());
    QCOMPARE(g_mirror.srtBasicCfgTemp[1], 10u);
    QCOMPARE(g_mirror.srtBasicCfgTemp[15], 5u);
    QCOMPARE(g_mirror.srtBasicCfgTemp[0], 0u);

    auto inputs = blockWords(6);
    putPair(inputs, 2, 3u, 0);  // 302 -> field 1
    decodeBlock(6, inputs.data());
    QCOMPARE(g_mirror.application[1], 3u);

    auto outputs = blockWords(7);
    putPair(outputs, 34, 14u, 0); // 366 -> field 33
    decodeBlock(7, outputs.data());
    QCOMPARE(g_mirror.application[33], 14u);

    auto comp16 = blockWords(9);
    putPair(comp16, 0, 1u, 0);                 // 500: COMP1 item 0
    putPair(comp16, 20 * 5 + 12, 66u, 0);      // 612: COMP6 item 6
    decodeBlock(9, comp16.data());
    QCOMPARE(g_mirror.comparator[1], 1u);
    QCOMPARE(g_mirror.comparator[1 + 8 * 5 + 6], 66u);
    auto comp78 = blockWords(10);
    putPair(comp78, 20 + 4, 88u, 0);           // 644: COMP8 item 2
    decodeBlock(10, comp78.data());
    QCOMPARE(g_mirror.comparator[1 + 8 * 7 + 2], 88u);

    auto serial = blockWords(12);
    serial[0] = 11;   // 8000 COM0 id
    serial[25] = 40;  // 8025 COM1 send gap
    serial[26] = 1;   // 8026 COM1 type
    serial[45] = 7;   // 8045 COM2 send gap
    decodeBlock(12, serial.data());
    QCOMPARE(g_mirror.dataTrans[0], 11u);
    QCOMPARE(g_mirror.dataTrans[12], 40u);
    QCOMPARE(g_mirror.dataTrans[13], 1u);
    QCOMPARE(g_mirror.dataTrans[19], 7u);

    auto net = blockWords(13);
    net[11] = 502;
    decodeBlock(13, net.data());
    QCOMPARE(g_mirror.dataTrans[32], 502u);

    auto analog = blockWords(14);
    analog[5] = 64036; // -1.5 mA as two's complement
    decodeBlock(14, analog.data());
    QCOMPARE(qint16(g_mirror.analog[5]), qint16(-1500));

    auto switches = blockWords(19);
    switches[0] = 1;
    switches[2] = 0;
    switches[5] = 1;
    switches[7] = 1;
    switches[9] = 1;
    switches[1] = switches[3] = 9; // registers between the switches are ignored
    decodeBlock(19, switches.data());
    QCOMPARE(g_mirror.remoteSwitch[SwitchBasic], quint16(1));
    QCOMPARE(g_mirror.remoteSwitch[SwitchCal], quint16(0));
    QCOMPARE(g_mirror.remoteSwitch[SwitchApplication], quint16(1));
    QCOMPARE(g_mirror.remoteSwitch[SwitchSystem], quint16(1));
}

void tst_RegisterBlocks::systemInformation_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("AB-CD") << 0;
    QTest::newRow("CD-AB") << 1;
}

void tst_RegisterBlocks::systemInformation()
{
    QFETCH(int, format);
    g_dwordFormat = format;

    auto info = blockWords(17);
    info[0] = 0;       // version high word, whatever the word order
    info[1] = 10004;
    info[2] = 2024;    // compile date: year, then month * 100 + day
    info[3] = 1111;
    info[4] = 'R';
    info[28] = '9';
    decodeBlock(17, info.data());
    QCOMPARE(g_mirror.gsrt_SysInf.u32_SoftVersion, 10004u);
    QCOMPARE(g_mirror.gsrt_SysInf.compileDate, (2024u << 16) | 1111u);
    QCOMPARE(g_mirror.gsrt_SysInf.serialNumber[0], quint32('R'));
    QCOMPARE(g_mirror.gsrt_SysInf.serialNumber[24], quint32('9'));

    auto coefficient = blockWords(16);
    putPair(coefficient, 0, 12345u, format);
    decodeBlock(16, coefficient.data());
    QCOMPARE(g_mirror.gsrt_SysInf.voltageCoef, 12345u);

    auto macs = blockWords(18);
    macs[0] = 0x0E;
    macs[6] = 0xFF; // unused register
    macs[17] = 0xA5;
    decodeBlock(18, macs.data());
    QCOMPARE(g_mirror.gsrt_SysInf.mac[0], 0x0Eu);
    QCOMPARE(g_mirror.gsrt_SysInf.btMac[5], 0xA5u);
}

void tst_RegisterBlocks::blocksWithoutDecoding()
{
    const DeviceMirror before = g_mirror;
    std::vector<quint16> words(1311, 0xFFFF);
    for (int block : {8, 11, 15})
        decodeBlock(block, words.data());
    QVERIFY(std::memcmp(&before, &g_mirror, sizeof before) == 0);
}

QTEST_MAIN(tst_RegisterBlocks)
#include "tst_registerblocks.moc"
