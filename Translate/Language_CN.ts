<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AppPaths</name>
    <message>
        <source>Settings: %1</source>
        <translation>设置文件：%1</translation>
    </message>
</context>
<context>
    <name>Application</name>
    <message>
        <source>Input Config</source>
        <translation>输入端口配置</translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation>输入1</translation>
    </message>
    <message>
        <source>Function：</source>
        <translation>功能：</translation>
    </message>
    <message>
        <source>NONE</source>
        <translation>无功能</translation>
    </message>
    <message>
        <source>ZERO</source>
        <translation>零点</translation>
    </message>
    <message>
        <source>CAL-ZERO</source>
        <translation>标零</translation>
    </message>
    <message>
        <source>TARE</source>
        <translation>去皮</translation>
    </message>
    <message>
        <source>CLEAR TARE</source>
        <translation>清皮</translation>
    </message>
    <message>
        <source>GROSS/NET</source>
        <translation>毛净重切换</translation>
    </message>
    <message>
        <source>COMP-ON</source>
        <translation>使能比较点</translation>
    </message>
    <message>
        <source>PRINT</source>
        <translation>打印</translation>
    </message>
    <message>
        <source>P_EMPTY_LINE</source>
        <translation>打印走纸</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>模式：</translation>
    </message>
    <message>
        <source>Low Level</source>
        <translation>低电平</translation>
    </message>
    <message>
        <source>High Level</source>
        <translation>高电平</translation>
    </message>
    <message>
        <source>Delay Time：</source>
        <translation>去抖时间：</translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation>输入2</translation>
    </message>
    <message>
        <source>Input 3</source>
        <translation>输入3</translation>
    </message>
    <message>
        <source>Ext.IN 1</source>
        <translation>扩展输入1</translation>
    </message>
    <message>
        <source>Ext.IN 2</source>
        <translation>扩展输入2</translation>
    </message>
    <message>
        <source>Output Config</source>
        <translation>输出端口配置</translation>
    </message>
    <message>
        <source>Output 1</source>
        <translation>输出1</translation>
    </message>
    <message>
        <source>COMP1</source>
        <translation>比较器1</translation>
    </message>
    <message>
        <source>COMP2</source>
        <translation>比较器2</translation>
    </message>
    <message>
        <source>COMP3</source>
        <translation>比较器3</translation>
    </message>
    <message>
        <source>COMP4</source>
        <translation>比较器4</translation>
    </message>
    <message>
        <source>COMP5</source>
        <translation>比较器5</translation>
    </message>
    <message>
        <source>COMP6</source>
        <translation>比较器6</translation>
    </message>
    <message>
        <source>COMP7</source>
        <translation>比较器7</translation>
    </message>
    <message>
        <source>COMP8</source>
        <translation>比较器8</translation>
    </message>
    <message>
        <source>STABLE</source>
        <translation>稳定</translation>
    </message>
    <message>
        <source>Net</source>
        <translation>净重</translation>
    </message>
    <message>
        <source>PRINTING</source>
        <translation>打印中</translation>
    </message>
    <message>
        <source>-SIGN</source>
        <translation>负重量</translation>
    </message>
    <message>
        <source>COM-Pulse</source>
        <translation>通讯心跳</translation>
    </message>
    <message>
        <source>Mode：</source>
        <translation>模式：</translation>
    </message>
    <message>
        <source>Output 2</source>
        <translation>输出2</translation>
    </message>
    <message>
        <source>Output 3</source>
        <translation>输出3</translation>
    </message>
    <message>
        <source>Output 4</source>
        <translation>输出4</translation>
    </message>
    <message>
        <source>Output 5</source>
        <translation>输出5</translation>
    </message>
    <message>
        <source>Ext.Out 1</source>
        <translation>扩展输出1</translation>
    </message>
    <message>
        <source>Ext.Out 2</source>
        <translation>扩展输出2</translation>
    </message>
    <message>
        <source>Ext.Out 3</source>
        <translation>扩展输出3</translation>
    </message>
    <message>
        <source>Ext.Out 4</source>
        <translation>扩展输出4</translation>
    </message>
    <message>
        <source>COMP Config</source>
        <translation>比较器配置</translation>
    </message>
    <message>
        <source>COMP 1</source>
        <translation>比较器1</translation>
    </message>
    <message>
        <source>COMP Mode:</source>
        <translation>比较模式：</translation>
    </message>
    <message>
        <source>OFF </source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>W&lt;=CV1</source>
        <translation>小于等于(重量)</translation>
    </message>
    <message>
        <source>W=CV1</source>
        <translation>等于(重量)</translation>
    </message>
    <message>
        <source>W!=CV1</source>
        <translation>不等于(重量)</translation>
    </message>
    <message>
        <source>W&gt;=CV1</source>
        <translation>大于等于(重量)</translation>
    </message>
    <message>
        <source>CV1&lt;=W&lt;=CV2</source>
        <translation>介于(重量)</translation>
    </message>
    <message>
        <source>W&lt;[CV1,CV2]&gt;W</source>
        <translation>不介于(重量)</translation>
    </message>
    <message>
        <source>F&lt;=CV1</source>
        <translation>小于等于(流量)</translation>
    </message>
    <message>
        <source>F=CV1</source>
        <translation>等于(流量)</translation>
    </message>
    <message>
        <source>F!=CV1</source>
        <translation>不等于(流量)</translation>
    </message>
    <message>
        <source>F&gt;=CV1</source>
        <translation>大于等于(流量)</translation>
    </message>
    <message>
        <source>CV1&lt;=F&lt;=CV2</source>
        <translation>介于(流量)</translation>
    </message>
    <message>
        <source>F&lt;[CV1,CV2]&gt;F</source>
        <translation>不介于(流量)</translation>
    </message>
    <message>
        <source>COMP Value-1:</source>
        <translation>比较值1：</translation>
    </message>
    <message>
        <source>COMP Value-2:</source>
        <translation>比较值2：</translation>
    </message>
    <message>
        <source>ON COND:</source>
        <translation>达成模式：</translation>
    </message>
    <message>
        <source>Immediately</source>
        <translation>立即输出</translation>
    </message>
    <message>
        <source>Stable</source>
        <translation>重量稳定后输出</translation>
    </message>
    <message>
        <source>Debounce</source>
        <translation>延时模式</translation>
    </message>
    <message>
        <source>TRUE JudgeT:</source>
        <translation>达成判定时间：</translation>
    </message>
    <message>
        <source>OFF COND:</source>
        <translation>失效模式：</translation>
    </message>
    <message>
        <source>FALSE HoldT:</source>
        <translation>失效判定时间：</translation>
    </message>
    <message>
        <source>COMP 2</source>
        <translation>比较器2</translation>
    </message>
    <message>
        <source>COMP 3</source>
        <translation>比较器3</translation>
    </message>
    <message>
        <source>COMP 4</source>
        <translation>比较器4</translation>
    </message>
    <message>
        <source>COMP 5</source>
        <translation>比较器5</translation>
    </message>
    <message>
        <source>COMP 6</source>
        <translation>比较器6</translation>
    </message>
    <message>
        <source>COMP 7</source>
        <translation>比较器7</translation>
    </message>
    <message>
        <source>COMP 8</source>
        <translation>比较器8</translation>
    </message>
    <message>
        <source>Application remote editing switch off, on before modifying parameters!</source>
        <translation>应用远程编辑关闭，修改参数之前请在仪表中开启！</translation>
    </message>
</context>
<context>
    <name>BasicConfig</name>
    <message>
        <source>Zero Config</source>
        <translation>清零操作</translation>
    </message>
    <message>
        <source>PWR-On Zero:</source>
        <translation>上电清零：</translation>
    </message>
    <message>
        <source>Remote Zero:</source>
        <translation>远程清零开关：</translation>
    </message>
    <message>
        <source>Zero Range:          </source>
        <translation>清零范围：</translation>
    </message>
    <message>
        <source>Tare Config</source>
        <translation>皮重操作</translation>
    </message>
    <message>
        <source>Remote Tare:</source>
        <translation>皮重操作：</translation>
    </message>
    <message>
        <source>Tare Record:</source>
        <translation>皮重记忆：</translation>
    </message>
    <message>
        <source>NetSign COR:</source>
        <translation>负净重修正：</translation>
    </message>
    <message>
        <source>Disable</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>CorrectTare</source>
        <translation>修正皮重</translation>
    </message>
    <message>
        <source>BackToGross</source>
        <translation>返回毛重</translation>
    </message>
    <message>
        <source>Preset Tare:</source>
        <translation>预置皮重：</translation>
    </message>
    <message>
        <source>Sample Filter</source>
        <translation>滤波与采样</translation>
    </message>
    <message>
        <source>Digit-Filter:          </source>
        <translation>数字滤波：</translation>
    </message>
    <message>
        <source>Adv. Filter:</source>
        <translation>稳态滤波：</translation>
    </message>
    <message>
        <source>Sample Rate:</source>
        <translation>AD采样速度：</translation>
    </message>
    <message>
        <source>Input Range</source>
        <translation>传感器信号范围</translation>
    </message>
    <message>
        <source>Input Range:</source>
        <translation>传感器信号范围：</translation>
    </message>
    <message>
        <source>STAB TrZero</source>
        <translation>判稳与追零</translation>
    </message>
    <message>
        <source>STAB Range:</source>
        <translation>判稳范围：</translation>
    </message>
    <message>
        <source>STAB Time:</source>
        <translation>判稳时间：</translation>
    </message>
    <message>
        <source>TrZero Range:</source>
        <translation>追零范围：</translation>
    </message>
    <message>
        <source>TrZero Time:</source>
        <translation>追零时间：</translation>
    </message>
    <message>
        <source>Basic remote editing switch off, on before modifying parameters!</source>
        <translation>基本参数远程编辑关闭，修改参数之前请在仪表中开启！</translation>
    </message>
</context>
<context>
    <name>DataTrans</name>
    <message>
        <source>COM 0</source>
        <translation>串口0</translation>
    </message>
    <message>
        <source>COM0 ID:</source>
        <translation>从机号：</translation>
    </message>
    <message>
        <source>Baudrate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation>通讯协议：</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>打印</translation>
    </message>
    <message>
        <source>Data Format:</source>
        <translation>数据格式：</translation>
    </message>
    <message>
        <source>Dword Format:</source>
        <translation>双字格式</translation>
    </message>
    <message>
        <source>Send Gap:</source>
        <translation>连续发送间隔：</translation>
    </message>
    <message>
        <source>COM 1</source>
        <translation>串口1</translation>
    </message>
    <message>
        <source>COM1 ID:</source>
        <translation>从机号：</translation>
    </message>
    <message>
        <source>RS485/RS232:</source>
        <translation>串口模式：</translation>
    </message>
    <message>
        <source>485-Mode</source>
        <translation>485模式</translation>
    </message>
    <message>
        <source>232-Mode</source>
        <translation>232模式</translation>
    </message>
    <message>
        <source>COM 2</source>
        <translation>串口2</translation>
    </message>
    <message>
        <source>COM2 ID:</source>
        <translation>从机号：</translation>
    </message>
    <message>
        <source>NetCOM</source>
        <translation>网口通讯</translation>
    </message>
    <message>
        <source>DwordFormat:</source>
        <translation>双字模式：</translation>
    </message>
    <message>
        <source>IP Config:</source>
        <translation>本机IP：</translation>
    </message>
    <message>
        <source>DEST. IP:</source>
        <translation>目标IP：</translation>
    </message>
    <message>
        <source>Socket:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Analog</source>
        <translation>模拟量参数</translation>
    </message>
    <message>
        <source>Analog Type:</source>
        <translation>输出模式：</translation>
    </message>
    <message>
        <source>User-mA</source>
        <translation>用户电流</translation>
    </message>
    <message>
        <source>User-V</source>
        <translation>用户电压</translation>
    </message>
    <message>
        <source>Link Data:</source>
        <translation>关联变量：</translation>
    </message>
    <message>
        <source>Weight</source>
        <translation>当前重量</translation>
    </message>
    <message>
        <source>Net</source>
        <translation>净重</translation>
    </message>
    <message>
        <source>Gross</source>
        <translation>毛重</translation>
    </message>
    <message>
        <source>Flow Rate</source>
        <translation>流量</translation>
    </message>
    <message>
        <source>Min. Out:</source>
        <translation>最小输出：</translation>
    </message>
    <message>
        <source>Zero Out:</source>
        <translation>零点输出：</translation>
    </message>
    <message>
        <source>F.S. Out:</source>
        <translation>最大量程输出：</translation>
    </message>
    <message>
        <source>Max. Out:</source>
        <translation>最大输出：</translation>
    </message>
    <message>
        <source>Data-Trans remote editing switch off, on before modifying parameters!</source>
        <translation>通讯远程编辑关闭，修改参数之前请在仪表中开启！</translation>
    </message>
</context>
<context>
    <name>DeviceFinder</name>
    <message>
        <source>Find device</source>
        <translation>查找设备</translation>
    </message>
    <message>
        <source>Stop at the first device found</source>
        <translation>找到第一台设备即停止</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Devices found (click one to use its settings):</source>
        <translation>找到的设备（单击一项即采用其设置）：</translation>
    </message>
    <message>
        <source>unit %1</source>
        <translation>站号 %1</translation>
    </message>
    <message>
        <source>unit %1, %2 baud, %3</source>
        <translation>站号 %1，%2 波特，%3</translation>
    </message>
    <message>
        <source> (answers the test read with exception %1)</source>
        <translation>（测试读取应答异常码 %1）</translation>
    </message>
    <message>
        <source>about %1 min %2 s left</source>
        <translation>约剩 %1 分 %2 秒</translation>
    </message>
    <message>
        <source>about %1 s left</source>
        <translation>约剩 %1 秒</translation>
    </message>
    <message>
        <source>Search again</source>
        <translation>重新查找</translation>
    </message>
    <message>
        <source>No device found.</source>
        <translation>未找到设备。</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>已停止。</translation>
    </message>
    <message>
        <source>Devices found: %1.</source>
        <translation>找到设备：%1 台。</translation>
    </message>
    <message>
        <source>Searching: %1 of %2 probes, %3 (%4)</source>
        <translation>正在查找：第 %1 / %2 次探测，%3（%4）</translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation>正在查找...</translation>
    </message>
</context>
<context>
    <name>ExelToWrite</name>
    <message>
        <source>%1 read, %2 failed, %3 refused, %4 kept.</source>
        <translation>读取 %1 行，失败 %2 行，拒绝 %3 行，保留 %4 行。</translation>
    </message>
    <message>
        <source>%1 written, %2 failed, %3 refused, %4 kept.</source>
        <translation>写入 %1 行，失败 %2 行，拒绝 %3 行，保留 %4 行。</translation>
    </message>
    <message>
        <source>%1 row(s) without a value.</source>
        <translation>%1 行没有数值。</translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation>失败：%1</translation>
    </message>
    <message>
        <source>Refused: %1</source>
        <translation>拒绝：%1</translation>
    </message>
</context>
<context>
    <name>FailureCause</name>
    <message>
        <source>illegal function</source>
        <translation>非法功能</translation>
    </message>
    <message>
        <source>illegal data address</source>
        <translation>非法数据地址</translation>
    </message>
    <message>
        <source>illegal data value</source>
        <translation>非法数据值</translation>
    </message>
    <message>
        <source>server device failure</source>
        <translation>从站设备故障</translation>
    </message>
    <message>
        <source>acknowledge</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>server device busy</source>
        <translation>从站设备忙</translation>
    </message>
    <message>
        <source>memory parity error</source>
        <translation>存储奇偶性差错</translation>
    </message>
    <message>
        <source>gateway path unavailable</source>
        <translation>网关路径不可用</translation>
    </message>
    <message>
        <source>gateway target device failed to respond</source>
        <translation>网关目标设备无响应</translation>
    </message>
    <message>
        <source>No answer from the device.</source>
        <translation>设备无应答。</translation>
    </message>
    <message>
        <source>Not connected to the device.</source>
        <translation>未连接设备。</translation>
    </message>
    <message>
        <source>The device&apos;s answer could not be used.</source>
        <translation>设备的应答无法使用。</translation>
    </message>
    <message>
        <source>unknown exception</source>
        <translation>未知异常</translation>
    </message>
    <message>
        <source>The device refused it: exception %1 (%2).</source>
        <translation>设备拒绝：异常 %1（%2）。</translation>
    </message>
</context>
<context>
    <name>MainInterface</name>
    <message>
        <source>Monitoring Curve 1:</source>
        <translation>监控曲线1：</translation>
    </message>
    <message>
        <source>Gross</source>
        <translation>毛重</translation>
    </message>
    <message>
        <source>Net</source>
        <translation>净重</translation>
    </message>
    <message>
        <source>Tare</source>
        <translation>皮重</translation>
    </message>
    <message>
        <source>Sensor Voltage</source>
        <translation>传感器电压</translation>
    </message>
    <message>
        <source>Gain Voltage</source>
        <translation>相对零点电压</translation>
    </message>
    <message>
        <source>Flow Rate</source>
        <translation>流量</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Monitoring Curve 2:</source>
        <translation>监控曲线2</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>启动</translation>
    </message>
    <message>
        <source>Sensor Volt</source>
        <translation>传感器电压</translation>
    </message>
    <message>
        <source>Gain Volt</source>
        <translation>相对零点电压</translation>
    </message>
    <message>
        <source>Real Time/s</source>
        <translation>实时时间/s</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Orvik R7 Config System</source>
        <translation>Orvik R7 配置系统</translation>
    </message>
    <message>
        <source>Main Interface</source>
        <translation>主界面</translation>
    </message>
    <message>
        <source>Basic Config</source>
        <translation>基本参数</translation>
    </message>
    <message>
        <source>Weight &amp;&amp; CAL</source>
        <translation>称重标定</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>应用参数</translation>
    </message>
    <message>
        <source>Data-Trans</source>
        <translation>通讯参数</translation>
    </message>
    <message>
        <source>Test Maintain</source>
        <translation>测试维护</translation>
    </message>
    <message>
        <source>EN/CH</source>
        <translation>英文/中文</translation>
    </message>
    <message>
        <source>Dark/Light</source>
        <translation>暗黑/明亮</translation>
    </message>
    <message>
        <source>MIN</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>MAX</source>
        <translation>最大化</translation>
    </message>
    <message>
        <source>CLOSE</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Weight</source>
        <translation>重量</translation>
    </message>
    <message>
        <source>Sensor Voltage</source>
        <translation>传感器电压</translation>
    </message>
    <message>
        <source>Flow Rate </source>
        <translation>流量</translation>
    </message>
    <message>
        <source>Error Message</source>
        <translation>错误信息</translation>
    </message>
    <message>
        <source>NET</source>
        <translation>净重</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation>通讯协议：</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Slave ID:</source>
        <translation>从机号：</translation>
    </message>
    <message>
        <source>Delay:</source>
        <translation>延时：</translation>
    </message>
    <message>
        <source>Dword Format:</source>
        <translation>双字模式：</translation>
    </message>
    <message>
        <source>Port: </source>
        <translation>端口号：</translation>
    </message>
    <message>
        <source>Communication-Normal</source>
        <translation>通讯正常</translation>
    </message>
    <message>
        <source>Communication-Error</source>
        <translation>通讯错误</translation>
    </message>
    <message>
        <source>Over Full Scale</source>
        <translation>重量正溢出</translation>
    </message>
    <message>
        <source>Weight Under Limit</source>
        <translation>重量负溢出</translation>
    </message>
    <message>
        <source>Loadcell Over</source>
        <translation>传感器正溢出</translation>
    </message>
    <message>
        <source>Loadcell Under</source>
        <translation>传感器负溢出</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>选项</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
</context>
<context>
    <name>ModbusSetting</name>
    <message>
        <source>Connection Setup</source>
        <translation>连接配置</translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation>通讯协议：</translation>
    </message>
    <message>
        <source>Serial:</source>
        <translation>串口号：</translation>
    </message>
    <message>
        <source>Slave ID:</source>
        <translation>从机号：</translation>
    </message>
    <message>
        <source>HOST IP:</source>
        <translation>主机IP：</translation>
    </message>
    <message>
        <source>Port：</source>
        <translation>端口号：</translation>
    </message>
    <message>
        <source>Dword Format:</source>
        <translation>双字模式：</translation>
    </message>
    <message>
        <source>Delay:</source>
        <translation>延时：</translation>
    </message>
    <message>
        <source>Baud Rate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <source>Data Bits:</source>
        <translation>数据位：</translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation>校验位：</translation>
    </message>
    <message>
        <source>Stop Bits:</source>
        <translation>停止位：</translation>
    </message>
    <message>
        <source>NONE</source>
        <translation>无(NONE)</translation>
    </message>
    <message>
        <source>EVEN</source>
        <translation>偶(EVEN)</translation>
    </message>
    <message>
        <source>ODD</source>
        <translation>奇(ODD)</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Version: 1.0.0</source>
        <translation>版本：1.0.0</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Operation Failed,Please try again!</source>
        <translation>操作失败，请重试！</translation>
    </message>
    <message>
        <source>Orvik Weighing Technology - R7 Digital Weighing Transmitter</source>
        <translation>Orvik 称重技术 - R7 数字称重变送器</translation>
    </message>
    <message>
        <source>Choose a listed port or type a device name such as /dev/ttyUSB0</source>
        <translation>选择列出的串口，或输入设备名，例如 /dev/ttyUSB0</translation>
    </message>
    <message>
        <source>Find device</source>
        <translation>查找设备</translation>
    </message>
</context>
<context>
    <name>ParameterPage</name>
    <message>
        <source>%1: %2 does not fit the parameter; nothing was sent.</source>
        <translation>%1：%2 超出参数范围，未发送。</translation>
    </message>
    <message>
        <source>%1 not written: %2</source>
        <translation>%1 未写入：%2</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Confirm</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Please Input:</source>
        <translation>请输入：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确认</translation>
    </message>
</context>
<context>
    <name>TestMaintain</name>
    <message>
        <source>Software Ver:</source>
        <translation>软件版本：</translation>
    </message>
    <message>
        <source>Compile Date:</source>
        <translation>编译日期：</translation>
    </message>
    <message>
        <source>Serial Num:</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <source>MAC Add:</source>
        <translation>MAC地址：</translation>
    </message>
    <message>
        <source>BT MAC:</source>
        <translation>蓝牙MAC：</translation>
    </message>
    <message>
        <source>MV Coef:</source>
        <translation>电压修正系数：</translation>
    </message>
    <message>
        <source>System Information</source>
        <translation>系统信息</translation>
    </message>
    <message>
        <source>Reset All</source>
        <translation>全部复位</translation>
    </message>
    <message>
        <source>Reset Partial</source>
        <translation>非标定复位</translation>
    </message>
    <message>
        <source>Reset CAL</source>
        <translation>标定复位</translation>
    </message>
    <message>
        <source>Reset Basic</source>
        <translation>基本参数复位</translation>
    </message>
    <message>
        <source>Reset I/O</source>
        <translation>I/O复位</translation>
    </message>
    <message>
        <source>Reset Analog</source>
        <translation>模拟量复位</translation>
    </message>
    <message>
        <source>Reset Application</source>
        <translation>应用参数复位</translation>
    </message>
    <message>
        <source>Reset Data-Trans</source>
        <translation>通讯参数复位</translation>
    </message>
    <message>
        <source>Paramter Reset</source>
        <translation>参数复位</translation>
    </message>
    <message>
        <source>Import:</source>
        <translation>导入：</translation>
    </message>
    <message>
        <source>Please select excel file</source>
        <translation>请选择Excel文件</translation>
    </message>
    <message>
        <source>Importing...</source>
        <translation>文件导入中...</translation>
    </message>
    <message>
        <source>Import Data</source>
        <translation>导入数据</translation>
    </message>
    <message>
        <source>Export:</source>
        <translation>导出：</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>文件导出中...</translation>
    </message>
    <message>
        <source>Export Data</source>
        <translation>导出文件</translation>
    </message>
    <message>
        <source>Confirm? Reset may result in communication loss!</source>
        <translation>确认？复位可能会导致通讯中断！</translation>
    </message>
    <message>
        <source>Confirm?</source>
        <translation>确认？</translation>
    </message>
    <message>
        <source>System remote editing switch off, on before reseting parameters!</source>
        <translation>系统维护远程编辑关闭，复位参数之前请在仪表中开启！</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Password Failed!</source>
        <translation>密码错误！</translation>
    </message>
    <message>
        <source>Reset Successful!</source>
        <translation>复位成功！</translation>
    </message>
    <message>
        <source>Reset Failed!</source>
        <translation>复位失败！</translation>
    </message>
    <message>
        <source>Excel Files (*.xlsx *.xls)</source>
        <translation>Excel文件 (*.xlsx *.xls)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>Select File</source>
        <translation>选择文件</translation>
    </message>
    <message>
        <source>Import Failed!</source>
        <translation>导入失败！</translation>
    </message>
    <message>
        <source>Import Path&gt;&gt;&gt;</source>
        <translation>导入路径&gt;&gt;&gt;</translation>
    </message>
    <message>
        <source>Import Finish!</source>
        <translation>导入完成！</translation>
    </message>
    <message>
        <source>Export Failed!</source>
        <translation>导出失败！</translation>
    </message>
    <message>
        <source>The earlier export %1 was kept; this one, with failed rows, is %2.</source>
        <translation>之前的导出文件 %1 已保留；本次导出有失败的行，保存为 %2。</translation>
    </message>
    <message>
        <source>Export Path&gt;&gt;&gt;</source>
        <translation>导出路径&gt;&gt;&gt;</translation>
    </message>
    <message>
        <source>Export Finish!</source>
        <translation>导出完成！</translation>
    </message>
    <message>
        <source>The device may be restarting, or may now use other link settings. Reconnect and check the values.</source>
        <translation>设备可能正在重启，或已改用其他通讯参数。请重新连接并检查参数值。</translation>
    </message>
    <message>
        <source>Reset sent, no answer</source>
        <translation>复位已发送，无应答</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Waiting for the device to answer...</source>
        <translation>正在等待设备应答...</translation>
    </message>
    <message>
        <source>The device answers again.</source>
        <translation>设备已重新应答。</translation>
    </message>
    <message>
        <source>The device has not answered again within %1 s.</source>
        <translation>设备在 %1 秒内未再应答。</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>An export is running: import when it has finished.</source>
        <translation>正在导出：请在导出完成后再导入。</translation>
    </message>
    <message>
        <source>Nothing was written.</source>
        <translation>未写入任何参数。</translation>
    </message>
    <message>
        <source>Written addresses: %1</source>
        <translation>已写入的地址：%1</translation>
    </message>
    <message>
        <source>Import stopped by the operator.</source>
        <translation>导入已被操作员停止。</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 rows.</source>
        <translation>已在第 %1 行（共 %2 行）后停止。</translation>
    </message>
    <message>
        <source>An import is running: export when it has finished.</source>
        <translation>正在导入：请在导入完成后再导出。</translation>
    </message>
    <message>
        <source>Export stopped by the operator.</source>
        <translation>导出已被操作员停止。</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 rows; the workbook was not saved.</source>
        <translation>已在第 %1 行（共 %2 行）后停止；工作簿未保存。</translation>
    </message>
</context>
<context>
    <name>TrafficLog</name>
    <message>
        <source>illegal function</source>
        <translation>非法功能码</translation>
    </message>
    <message>
        <source>illegal data address</source>
        <translation>非法数据地址</translation>
    </message>
    <message>
        <source>illegal data value</source>
        <translation>非法数据值</translation>
    </message>
    <message>
        <source>server device failure</source>
        <translation>从站设备故障</translation>
    </message>
    <message>
        <source>acknowledge</source>
        <translation>已确认</translation>
    </message>
    <message>
        <source>server device busy</source>
        <translation>从站设备忙</translation>
    </message>
    <message>
        <source>memory parity error</source>
        <translation>存储奇偶校验错误</translation>
    </message>
    <message>
        <source>gateway path unavailable</source>
        <translation>网关路径不可用</translation>
    </message>
    <message>
        <source>gateway target device failed to respond</source>
        <translation>网关目标设备无响应</translation>
    </message>
</context>
<context>
    <name>TrafficModel</name>
    <message>
        <source>OK</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>exception %1 %2</source>
        <translation>异常 %1 %2</translation>
    </message>
    <message>
        <source>time-out</source>
        <translation>超时</translation>
    </message>
    <message>
        <source>CRC/framing error</source>
        <translation>CRC/帧错误</translation>
    </message>
    <message>
        <source>reply that does not fit its request</source>
        <translation>应答与请求不符</translation>
    </message>
    <message>
        <source>link closed</source>
        <translation>连接已关闭</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>从机号</translation>
    </message>
    <message>
        <source>Function</source>
        <translation>功能码</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>寄存器</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>数量</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>请求</translation>
    </message>
    <message>
        <source>Reply</source>
        <translation>应答</translation>
    </message>
    <message>
        <source>Round trip (ms)</source>
        <translation>往返时间 (ms)</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>结果</translation>
    </message>
</context>
<context>
    <name>TrafficView</name>
    <message>
        <source>Requests %1, OK %2, exceptions %3, time-outs %4; round trip mean %5 ms, max %6 ms</source>
        <translation>请求 %1，正常 %2，异常 %3，超时 %4；往返时间平均 %5 ms，最大 %6 ms</translation>
    </message>
    <message>
        <source>Traffic</source>
        <translation>通讯报文</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Errors only</source>
        <translation>仅显示错误</translation>
    </message>
    <message>
        <source>Save as CSV...</source>
        <translation>另存为 CSV...</translation>
    </message>
    <message>
        <source>Traffic on the link (Ctrl+T)</source>
        <translation>通讯报文 (Ctrl+T)</translation>
    </message>
    <message>
        <source>Dword Format looks like %1</source>
        <translation>双字模式似乎应为 %1</translation>
    </message>
    <message>
        <source>Save traffic</source>
        <translation>保存通讯报文</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>%1 could not be written: %2</source>
        <translation>%1 无法写入：%2</translation>
    </message>
</context>
<context>
    <name>WeightCal</name>
    <message>
        <source>Theory CAL</source>
        <translation>理论值标定</translation>
    </message>
    <message>
        <source>LC mV/V:</source>
        <translation>传感器灵敏度：</translation>
    </message>
    <message>
        <source>LC Capacity:</source>
        <translation>传感器总量程：</translation>
    </message>
    <message>
        <source>Use T-CAL:</source>
        <translation>理论值生效：</translation>
    </message>
    <message>
        <source>Disable</source>
        <translation>关</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>开</translation>
    </message>
    <message>
        <source>Wt.Format</source>
        <translation>重量参数</translation>
    </message>
    <message>
        <source>Unit:</source>
        <translation>重量单位：</translation>
    </message>
    <message>
        <source>Decimal:</source>
        <translation>小数点：</translation>
    </message>
    <message>
        <source>Division:          </source>
        <translation>分度值：</translation>
    </message>
    <message>
        <source>Full Scale:     </source>
        <translation>量程：</translation>
    </message>
    <message>
        <source>CAL Weight</source>
        <translation>砝码标定</translation>
    </message>
    <message>
        <source>CP1:</source>
        <translation>标定点1：</translation>
    </message>
    <message>
        <source>CP2:</source>
        <translation>标定点2：</translation>
    </message>
    <message>
        <source>CP3:</source>
        <translation>标定点3：</translation>
    </message>
    <message>
        <source>CP4:</source>
        <translation>标定点4：</translation>
    </message>
    <message>
        <source>CP5:</source>
        <translation>标定点5：</translation>
    </message>
    <message>
        <source>Flowrate</source>
        <translation>流量</translation>
    </message>
    <message>
        <source>Sample Window:</source>
        <translation>采样窗口：</translation>
    </message>
    <message>
        <source>Max Flowrate:</source>
        <translation>最大流量：</translation>
    </message>
    <message>
        <source>Flowrate Unit:</source>
        <translation>流量单位：</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>时</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>分</translation>
    </message>
    <message>
        <source>CAL-ZERO</source>
        <translation>标零</translation>
    </message>
    <message>
        <source>Auto Capture:</source>
        <translation>自动零点：</translation>
    </message>
    <message>
        <source>Zero</source>
        <translation>标零</translation>
    </message>
    <message>
        <source>key In mV:</source>
        <translation>手动零点：</translation>
    </message>
    <message>
        <source>0 - 5.0000(1mV/V,unipolarity)
0 - 10.0000(2mV/V,unipolarity)
0 - 15.0000(3mV/V,unipolarity)
-5 - 5.0000(1mV/V,bipolar)
-10 - 10.0000(2mV/V,bipolar)
-15 - 15.0000(3mV/V,bipolar)</source>
        <translation>0 - 5.0000(1mV/V,单极性)
0 - 10.0000(2mV/V,单极性)
0 - 15.0000(3mV/V,单极性)
-5 - 5.0000(1mV/V,双极性)
-10 - 10.0000(2mV/V,双极性)
-15 - 15.0000(3mV/V,双极性)</translation>
    </message>
    <message>
        <source>CAL Correct</source>
        <translation>重量修正系数</translation>
    </message>
    <message>
        <source>Correct Coef:</source>
        <translation>重量修正系数：</translation>
    </message>
    <message>
        <source>CAL remote editing switch off, on before modifying parameters!</source>
        <translation>标定远程编辑关闭，修改参数之前请在仪表中开启！</translation>
    </message>
    <message>
        <source>Calibration point %1 needs a weight above 0; nothing was sent.</source>
        <translation>标定点 %1 的重量须大于 0，未发送。</translation>
    </message>
</context>
</TS>
