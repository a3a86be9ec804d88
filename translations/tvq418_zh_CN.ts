<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>关于 TVQ418Control</source>
        <translation>关于 TVQ418Control</translation>
    </message>
    <message>
        <source>TVQ418  V2.84</source>
        <translation>TVQ418  V2.84</translation>
    </message>
    <message>
        <source>2014-08-12</source>
        <translation>2014-08-12</translation>
    </message>
</context>
<context>
    <name>CAnswer</name>
    <message>
        <source>Ask Box</source>
        <translation>询问框</translation>
    </message>
    <message>
        <source>Open？Close？</source>
        <translation>打开？关闭？</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>CFindProcessorsDlg</name>
    <message>
        <source>Find processors</source>
        <translation>查找处理器</translation>
    </message>
    <message>
        <source>From address</source>
        <translation>起始地址</translation>
    </message>
    <message>
        <source>To address</source>
        <translation>结束地址</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>扫描</translation>
    </message>
    <message>
        <source>Use address</source>
        <translation>使用此地址</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Processors found</source>
        <translation>找到的处理器</translation>
    </message>
    <message>
        <source>Choose the addresses to ask and press Scan.</source>
        <translation>选择要查询的地址，然后按“扫描”。</translation>
    </message>
    <message>
        <source>Asking address %1…  Processors found: %2</source>
        <translation>正在查询地址 %1…  已找到处理器：%2</translation>
    </message>
    <message>
        <source>No processor answered.</source>
        <translation>没有处理器应答。</translation>
    </message>
    <message>
        <source>Processors found: %1</source>
        <translation>已找到处理器：%1</translation>
    </message>
    <message>
        <source>Scan cancelled. Processors found: %1</source>
        <translation>扫描已取消。已找到处理器：%1</translation>
    </message>
    <message>
        <source>The link did not open: check the connection settings.</source>
        <translation>无法打开连接，请检查连接设置。</translation>
    </message>
    <message>
        <source>The line failed; the scan is incomplete.</source>
        <translation>线路故障，扫描未完成。</translation>
    </message>
    <message>
        <source>no source</source>
        <translation>无信号源</translation>
    </message>
    <message>
        <source>Address %1: %2, %3</source>
        <translation>地址 %1：%2，%3</translation>
    </message>
    <message>
        <source>signal</source>
        <translation>有信号</translation>
    </message>
    <message>
        <source>no signal</source>
        <translation>无信号</translation>
    </message>
    <message>
        <source>Address %1: %2 answers, more than one processor on this address</source>
        <translation>地址 %1：%2 个应答，此地址上有多台处理器</translation>
    </message>
    <message>
        <source>Address %1: answered by address %2</source>
        <translation>地址 %1：由地址 %2 应答</translation>
    </message>
    <message>
        <source>Address %1: garbled answer</source>
        <translation>地址 %1：应答错乱</translation>
    </message>
</context>
<context>
    <name>CJilian</name>
    <message>
        <source>Multi-device connection</source>
        <translation>多机集连</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>信号</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>亮度</translation>
    </message>
    <message>
        <source>Mosaic</source>
        <comment>box</comment>
        <translation>拼接</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Data out of range</source>
        <translation>值越界</translation>
    </message>
</context>
<context>
    <name>CProgress</name>
    <message>
        <source>Connecting device，Please waiting.........</source>
        <translation>Connecting device，Please waiting.........</translation>
    </message>
</context>
<context>
    <name>CTVQ418ControlDlg</name>
    <message>
        <source>System Information</source>
        <comment>exit question</comment>
        <translation>系统提示 </translation>
    </message>
    <message>
        <source>Are you sure want to Exit? </source>
        <translation>确认退出? </translation>
    </message>
    <message>
        <source>系统信息</source>
        <translation>系统信息</translation>
    </message>
    <message>
        <source>请选定要启动的定时器</source>
        <translation>请选定要启动的定时器</translation>
    </message>
    <message>
        <source>System Information</source>
        <translation>系统信息</translation>
    </message>
    <message>
        <source>Device is not connected</source>
        <translation>设备未连接，无法进行设置</translation>
    </message>
    <message>
        <source>System Information </source>
        <translation>系统提示 </translation>
    </message>
    <message>
        <source>Select address 0 set even the state, the software will not be able to display the status of each machine, whether to continue.?</source>
        <translation>选中地址0是集连状态，当前软件将无法显示每台机器的状态，是否继续？</translation>
    </message>
    <message>
        <source>Corvane TVQ418 Processor Controller(V2.84)----Network</source>
        <translation>CorvaneTVQ418控制软件(V2.84)----网络通讯</translation>
    </message>
    <message>
        <source>Connect</source>
        <comment>box around the connection controls</comment>
        <translation>连接串口</translation>
    </message>
    <message>
        <source>Device_ID</source>
        <translation>设备ID</translation>
    </message>
    <message>
        <source>Rs232_Com_Port:</source>
        <translation>Rs232串口:</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>信号</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>Timer</source>
        <translation>定时器</translation>
    </message>
    <message>
        <source>Function</source>
        <translation>功能</translation>
    </message>
    <message>
        <source>PIP_Mode</source>
        <translation>PIP模式</translation>
    </message>
    <message>
        <source>CH/EN</source>
        <translation>中文/英文</translation>
    </message>
    <message>
        <source>Cut/Fade</source>
        <translation>切换/淡入淡出</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>无缝切换</translation>
    </message>
    <message>
        <source>Fade=0.5S</source>
        <translation>淡入淡出=0.5S</translation>
    </message>
    <message>
        <source>Fade=1.0S</source>
        <translation>淡入淡出=1.0S</translation>
    </message>
    <message>
        <source>Fade=1.5S</source>
        <translation>淡入淡出=1.5S</translation>
    </message>
    <message>
        <source>Connect</source>
        <comment>button</comment>
        <translation>连接</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>日定时</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>周定时</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>月定时</translation>
    </message>
    <message>
        <source>Once</source>
        <translation>一次定时</translation>
    </message>
    <message>
        <source>All</source>
        <translation>所有定时</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>启动定时</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止定时</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>设置定时</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>屏幕设置</translation>
    </message>
    <message>
        <source>FastMS</source>
        <translation>快速拼接</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Current Timer</source>
        <translation>当前定时</translation>
    </message>
    <message>
        <source>Next Timer</source>
        <translation>下一个定时</translation>
    </message>
    <message>
        <source>Time:</source>
        <translation>时间:</translation>
    </message>
    <message>
        <source>Signal:</source>
        <translation>信号:</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>状态:</translation>
    </message>
    <message>
        <source>Result:</source>
        <translation>结果:</translation>
    </message>
    <message>
        <source>AutoConnect</source>
        <translation>自动连接</translation>
    </message>
    <message>
        <source>StartTimer</source>
        <translation>自动启动定时</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Connection settings</source>
        <translation>通讯设置</translation>
    </message>
    <message>
        <source>Serial/Network</source>
        <translation>串口/网络</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>网络</translation>
    </message>
    <message>
        <source>关于 TVQ418Control(&amp;A)...</source>
        <translation>关于 TVQ418Control(&amp;A)...</translation>
    </message>
    <message>
        <source>Show the timer display panel</source>
        <translation>显示定时显示面板</translation>
    </message>
    <message>
        <source>Hide the timer display panel</source>
        <translation>隐藏定时显示面板</translation>
    </message>
    <message>
        <source>Network address</source>
        <translation>网络地址</translation>
    </message>
    <message>
        <source>Network port</source>
        <translation>网络端口</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>English</source>
        <translation>英文</translation>
    </message>
    <message>
        <source>%1 light</source>
        <translation>%1指示灯</translation>
    </message>
    <message>
        <source>Find processors…</source>
        <translation>查找处理器…</translation>
    </message>
</context>
<context>
    <name>IndicatorLamp</name>
    <message>
        <source>blinking</source>
        <translation>闪烁</translation>
    </message>
    <message>
        <source>lit</source>
        <translation>点亮</translation>
    </message>
    <message>
        <source>off</source>
        <translation>熄灭</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>Open Com Port Success</source>
        <translation>打开串口成功</translation>
    </message>
    <message>
        <source>Open Com Port fail</source>
        <translation>打开串口失败</translation>
    </message>
    <message>
        <source>Open Network Success</source>
        <translation>打开网络通讯成功</translation>
    </message>
    <message>
        <source>Open Network fail</source>
        <translation>打开网络通讯失败</translation>
    </message>
    <message>
        <source>Port out of range，range is 0~65535</source>
        <translation>端口号超出范围,范围是0~65535</translation>
    </message>
    <message>
        <source>Communications equipment normal</source>
        <translation>设备连接成功</translation>
    </message>
    <message>
        <source>Equipment connection failed</source>
        <translation>设备连接失败，请检查设备地址</translation>
    </message>
    <message>
        <source>Invalid Operate Only Valid in mosaic off</source>
        <translation>无效操作，仅在mosaic关有效</translation>
    </message>
    <message>
        <source>Invalid Operate InCorrect Source</source>
        <translation>无效操作，错误通道</translation>
    </message>
    <message>
        <source>Invalid Operate Not ext model</source>
        <translation>无效操作，没有ext模式</translation>
    </message>
    <message>
        <source>Please restart the device and control software，Thank you！</source>
        <translation>请重启设备和控制软件，谢谢!</translation>
    </message>
    <message>
        <source>No answer from the device since %1</source>
        <translation>自 %1 起设备无应答</translation>
    </message>
    <message>
        <source>Settings not saved: %1</source>
        <translation>设置未保存：%1</translation>
    </message>
    <message>
        <source>Connection lost, reconnecting (next try in %1 s)</source>
        <translation>连接已断开，正在重新连接（%1 秒后重试）</translation>
    </message>
</context>
</TS>
