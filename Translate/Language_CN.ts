<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
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
        <source>Weight &amp; CAL</source>
        <translation>称重标定</translation>
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
        <source>Flow Rate</source>
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
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Reset All</source>
        <translation>全部复位</translation>
    </message>
    <message>
        <source>Password Failed!</source>
        <translation>密码错误！</translation>
    </message>
</context>
</TS>
