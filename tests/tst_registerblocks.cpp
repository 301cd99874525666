#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/registeraccess.h"
#include "Modbus/registerblocks.h"

#include <QtTest>

using Field = quint32 (*)();

// The decoding of each register block into the device mirror.
class tst_RegisterBlocks : public QObject
{
    Q_OBJECT

private slots:
    void init() { g_mirror = DeviceMirror(); }
    void cleanup() { g_dwordFormat = 0; }

    // Every register holds its own address, so a wrong register or word order shows. Kinds: w one register,
    // p a pair in the configured order, h high word first, e in the opposite order.
    void registerMap()
    {
        const auto row = [](const char *name, int block, int address, char kind, Field field) {
            QVector<quint16> words(RegisterBlocks[block].count);
            for (int i = 0; i < words.size(); ++i)
                words[i] = quint16(RegisterBlocks[block].start + i);
            const quint32 ab = quint32(address) << 16 | quint32(address + 1), cd = ab >> 16 | ab << 16;
            for (g_dwordFormat = 0; g_dwordFormat < 2; ++g_dwordFormat) {
                decodeBlock(Block(block), words.constData());
                const bool highFirst = kind == 'h' || (kind == 'p') == (g_dwordFormat == 0); // e: the other way
                const quint32 got = field(), want = kind == 'w' ? quint32(address) : highFirst ? ab : cd;
                QVERIFY2(got == want, qPrintable(QString::asprintf("%s %d: %x", name, g_dwordFormat, got)));
            }
        };
        row("weight", 0, 0, 'p', [] { return g_mirror.live.weight; });
        row("status", 0, 4, 'w', [] { return g_mirror.live.status; });
        row("gross", 1, 28, 'p', [] { return g_mirror.live.gross; });
        row("net", 1, 30, 'p', [] { return g_mirror.live.net; });
        row("tare", 1, 32, 'p', [] { return g_mirror.live.tare; });
        row("flow rate", 1, 34, 'p', [] { return g_mirror.live.flowRate; });
        row("sensor voltage", 1, 38, 'p', [] { return g_mirror.live.sensorVoltage; });
        row("gain voltage", 1, 40, 'p', [] { return g_mirror.live.gainVoltage; });
        row("error bits", 2, 5, 'e', [] { return g_mirror.live.errorBits; });
        row("division", 4, 204, 'p', [] { return g_mirror.weightCal[2]; });
        row("full scale", 4, 206, 'p', [] { return g_mirror.weightCal[3]; });
        row("zero signal, after the gap", 4, 212, 'p', [] { return g_mirror.weightCal[4]; });
        row("max flow rate", 4, 234, 'p', [] { return g_mirror.weightCal[15]; });
        row("basic config", 5, 128, 'p', [] { return g_mirror.srtBasicCfgTemp[15]; });
        row("inputs", 6, 330, 'p', [] { return g_mirror.application[15]; });
        row("outputs", 7, 366, 'p', [] { return g_mirror.application[33]; });
        row("COMP6 item 6", 9, 612, 'p', [] { return g_mirror.comparator[1 + 8 * 5 + 6]; });
        row("COMP8 item 2", 10, 644, 'p', [] { return g_mirror.comparator[1 + 8 * 7 + 2]; });
        row("COM0 id", 12, 8000, 'w', [] { return g_mirror.dataTrans[0]; });
        row("COM1 type", 12, 8026, 'w', [] { return g_mirror.dataTrans[13]; });
        row("COM2 send gap", 12, 8045, 'w', [] { return g_mirror.dataTrans[19]; });
        row("network port", 13, 8111, 'w', [] { return g_mirror.dataTrans[32]; });
        row("analog last", 14, 8155, 'w', [] { return quint32(g_mirror.analog[5]); });
        row("voltage coefficient", 16, 9156, 'p', [] { return g_mirror.gsrt_SysInf.voltageCoef; });
        row("software version", 17, 10000, 'h', [] { return g_mirror.gsrt_SysInf.u32_SoftVersion; });
        row("compile date", 17, 10002, 'h', [] { return g_mirror.gsrt_SysInf.compileDate; });
        row("serial number", 17, 10028, 'w', [] { return g_mirror.gsrt_SysInf.serialNumber[24]; });
        row("MAC first", 18, 10100, 'w', [] { return g_mirror.gsrt_SysInf.mac[0]; });
        row("Bluetooth MAC last", 18, 10117, 'w', [] { return g_mirror.gsrt_SysInf.btMac[5]; });
        row("switch basic", 19, 10200, 'w', [] { return quint32(g_mirror.remoteSwitch[SwitchBasic]); });
        row("switch cal", 19, 10202, 'w', [] { return quint32(g_mirror.remoteSwitch[SwitchCal]); });
        row("switch app", 19, 10205, 'w', [] { return quint32(g_mirror.remoteSwitch[SwitchApplication]); });
        row("switch data", 19, 10207, 'w', [] { return quint32(g_mirror.remoteSwitch[SwitchDataTrans]); });
        row("switch system", 19, 10209, 'w', [] { return quint32(g_mirror.remoteSwitch[SwitchSystem]); });
    }

    // A unit above 6, decimals above 4 or a flow-rate unit above 1 keep what the
    // mirror held (unit 3, decimals 2, flow-rate unit 1).
    void guardedFields_data()
    {
        QTest::addColumn<int>("block");
        QTest::addColumn<QList<quint32>>("values"); // unit, decimals, flow-rate unit
        QTest::addColumn<QList<quint32>>("stored");
        QTest::newRow("block 3 valid") << 3 << QList<quint32>{6, 4} << QList<quint32>{6, 4, 1};
        QTest::newRow("block 3 unit 7") << 3 << QList<quint32>{7, 0} << QList<quint32>{3, 0, 1};
        QTest::newRow("block 3 decimals 5") << 3 << QList<quint32>{0, 5} << QList<quint32>{0, 2, 1};
        QTest::newRow("block 4 valid") << 4 << QList<quint32>{1, 0, 0} << QList<quint32>{1, 0, 0};
        QTest::newRow("block 4 invalid") << 4 << QList<quint32>{9, 65536, 2} << QList<quint32>{3, 2, 1};
    }
    void guardedFields()
    {
        QFETCH(int, block);
        QFETCH(QList<quint32>, values);
        DeviceMirror &m = g_mirror;
        m.live.unit = m.weightCal[0] = 3, m.live.decimalPoint = m.weightCal[1] = 2, m.weightCal[16] = 1;
        QVector<quint16> words(RegisterBlocks[4].count); // the longer block
        for (int i = 0; i < values.size(); ++i)
            splitDword(values.at(i), 0, words.data() + (i < 2 ? 2 * i : 36));
        decodeBlock(Block(block), words.constData());
        QTEST(QList<quint32>({m.live.unit, m.live.decimalPoint, m.weightCal[16]}), "stored");
        QTEST(QList<quint32>({m.weightCal[0], m.weightCal[1], m.weightCal[16]}), "stored");
    }
};

QTEST_MAIN(tst_RegisterBlocks)
#include "tst_registerblocks.moc"
