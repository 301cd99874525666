<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>AppPaths</name>
    <message>
        <source>Settings: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Application</name>
    <message>
        <source>Input Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Function：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NONE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ZERO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL-ZERO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TARE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CLEAR TARE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GROSS/NET</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP-ON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PRINT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>P_EMPTY_LINE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Low Level</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>High Level</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay Time：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ext.IN 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ext.IN 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STABLE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PRINTING</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-SIGN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM-Pulse</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mode：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output 5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ext.Out 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ext.Out 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ext.Out 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ext.Out 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OFF </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W&lt;=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W!=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W&gt;=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CV1&lt;=W&lt;=CV2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W&lt;[CV1,CV2]&gt;W</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&lt;=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F!=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&gt;=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CV1&lt;=F&lt;=CV2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&lt;[CV1,CV2]&gt;F</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP Value-1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP Value-2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ON COND:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Immediately</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Debounce</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TRUE JudgeT:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OFF COND:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FALSE HoldT:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Application remote editing switch off, on before modifying parameters!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BasicConfig</name>
    <message>
        <source>Zero Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PWR-On Zero:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remote Zero:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero Range:          </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tare Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remote Tare:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tare Record:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NetSign COR:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CorrectTare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BackToGross</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preset Tare:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample Filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Digit-Filter:          </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adv. Filter:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample Rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input Range</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input Range:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STAB TrZero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STAB Range:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STAB Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TrZero Range:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TrZero Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Basic remote editing switch off, on before modifying parameters!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DataTrans</name>
    <message>
        <source>COM 0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM0 ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Baudrate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dword Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send Gap:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM1 ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>RS485/RS232:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>485-Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>232-Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM2 ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NetCOM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DwordFormat:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Config:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DEST. IP:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Socket:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Analog</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Analog Type:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User-mA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User-V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Link Data:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weight</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gross</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flow Rate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Min. Out:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero Out:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F.S. Out:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Max. Out:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data-Trans remote editing switch off, on before modifying parameters!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DeviceFinder</name>
    <message>
        <source>Find device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop at the first device found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Devices found (click one to use its settings):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unit %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unit %1, %2 baud, %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (answers the test read with exception %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>about %1 min %2 s left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>about %1 s left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No device found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Devices found: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Searching: %1 of %2 probes, %3 (%4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ExelToWrite</name>
    <message>
        <source>%1 read, %2 failed, %3 refused, %4 kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 written, %2 failed, %3 refused, %4 kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 row(s) without a value.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refused: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FailureCause</name>
    <message>
        <source>illegal function</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>illegal data address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>illegal data value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>server device failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>acknowledge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>server device busy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>memory parity error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>gateway path unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>gateway target device failed to respond</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No answer from the device.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not connected to the device.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device&apos;s answer could not be used.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown exception</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device refused it: exception %1 (%2).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainInterface</name>
    <message>
        <source>Monitoring Curve 1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gross</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor Voltage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gain Voltage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flow Rate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monitoring Curve 2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor Volt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gain Volt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Real Time/s</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Orvik R7 Config System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>EN/CH</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dark/Light</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MAX</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CLOSE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weight</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor Voltage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flow Rate </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Main Interface</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Basic Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weight &amp;&amp; CAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Application</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data-Trans</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Test Maintain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slave ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dword Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Communication-Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Communication-Normal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Over Full Scale</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weight Under Limit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loadcell Over</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loadcell Under</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NET</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port: </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ModbusSetting</name>
    <message>
        <source>Orvik Weighing Technology - R7 Digital Weighing Transmitter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connection Setup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a listed port or type a device name such as /dev/ttyUSB0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slave ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HOST IP:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dword Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Baud Rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data Bits:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NONE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>EVEN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ODD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop Bits:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version: 1.0.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operation Failed,Please try again!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find device</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ParameterPage</name>
    <message>
        <source>%1: %2 does not fit the parameter; nothing was sent.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 not written: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please Input:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TestMaintain</name>
    <message>
        <source>Software Ver:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compile Date:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial Num:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MAC Add:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BT MAC:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MV Coef:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Partial</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset CAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Basic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset I/O</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Analog</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Application</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Data-Trans</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paramter Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select excel file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Importing...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm? Reset may result in communication loss!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System remote editing switch off, on before reseting parameters!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password Failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Successful!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Excel Files (*.xlsx *.xls)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Path&gt;&gt;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Finish!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The earlier export %1 was kept; this one, with failed rows, is %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Path&gt;&gt;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Finish!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device may be restarting, or may now use other link settings. Reconnect and check the values.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset sent, no answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Waiting for the device to answer...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device answers again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device has not answered again within %1 s.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An export is running: import when it has finished.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Written addresses: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import stopped by the operator.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 rows.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An import is running: export when it has finished.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export stopped by the operator.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 rows; the workbook was not saved.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrafficLog</name>
    <message>
        <source>illegal function</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>illegal data address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>illegal data value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>server device failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>acknowledge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>server device busy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>memory parity error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>gateway path unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>gateway target device failed to respond</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrafficModel</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>exception %1 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>time-out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CRC/framing error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reply that does not fit its request</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>link closed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Function</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Register</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Count</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Request</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Round trip (ms)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrafficView</name>
    <message>
        <source>Requests %1, OK %2, exceptions %3, time-outs %4; round trip mean %5 ms, max %6 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Traffic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Errors only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save as CSV...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Traffic on the link (Ctrl+T)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dword Format looks like %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save traffic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WeightCal</name>
    <message>
        <source>Theory CAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LC mV/V:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LC Capacity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use T-CAL:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wt.Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unit:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Decimal:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Division:          </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Full Scale:     </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL Weight</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP3:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP4:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP5:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flowrate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample Window:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Max Flowrate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flowrate Unit:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL-ZERO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Capture:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>key In mV:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0 - 5.0000(1mV/V,unipolarity)
0 - 10.0000(2mV/V,unipolarity)
0 - 15.0000(3mV/V,unipolarity)
-5 - 5.0000(1mV/V,bipolar)
-10 - 10.0000(2mV/V,bipolar)
-15 - 15.0000(3mV/V,bipolar)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL Correct</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Correct Coef:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL remote editing switch off, on before modifying parameters!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration point %1 needs a weight above 0; nothing was sent.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
