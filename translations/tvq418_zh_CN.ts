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
    <name>CAddPlan</name>
    <message>
        <source>Plan</source>
        <translation>任务参数</translation>
    </message>
    <message>
        <source>Add a plan?</source>
        <translation>添加一个新任务?</translation>
    </message>
    <message>
        <source>Day of week</source>
        <translation>周日期</translation>
    </message>
    <message>
        <source>Day of month</source>
        <translation>月日期</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>信号选择</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
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
    <message>
        <source>Scan progress</source>
        <translation>扫描进度</translation>
    </message>
    <message>
        <source>The chain service could not run the scan: %1</source>
        <translation>设备链服务无法执行扫描：%1</translation>
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
    <message>
        <source>Brightness to save</source>
        <translation>要保存的亮度</translation>
    </message>
    <message>
        <source>Sending to every processor on the line</source>
        <translation>正在发送到线路上的所有设备</translation>
    </message>
    <message>
        <source>Sent to every processor on the line</source>
        <translation>已发送到线路上的所有设备</translation>
    </message>
    <message>
        <source>Nothing sent</source>
        <translation>未发送</translation>
    </message>
</context>
<context>
    <name>CProgram</name>
    <message>
        <source>Program</source>
        <translation>任务</translation>
    </message>
    <message>
        <source>DayPlan</source>
        <translation>日定时</translation>
    </message>
    <message>
        <source>WeekPlan</source>
        <translation>周定时</translation>
    </message>
    <message>
        <source>MonthPlan</source>
        <translation>月定时</translation>
    </message>
    <message>
        <source>One_time Plan</source>
        <translation>一次定时</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
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
    <name>CSetScreen</name>
    <message>
        <source>Screen Program</source>
        <translation>屏幕参数</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>亮度</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>颜色</translation>
    </message>
    <message>
        <source>Bias</source>
        <translation>低灰偏置</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>清晰度</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>平滑</translation>
    </message>
    <message>
        <source>Sharp</source>
        <translation>清晰</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>字幕</translation>
    </message>
    <message>
        <source>&lt;Threshold</source>
        <translation>&lt;阈值</translation>
    </message>
    <message>
        <source>&gt;Threshold</source>
        <translation>&gt;阈值</translation>
    </message>
    <message>
        <source>Threshold(Red/Green/Blue：0~255)</source>
        <translation>字幕阈值(红/绿/蓝：0~255)</translation>
    </message>
    <message>
        <source>  Red</source>
        <translation>   红</translation>
    </message>
    <message>
        <source> Green</source>
        <translation>    绿</translation>
    </message>
    <message>
        <source>    Blue</source>
        <translation>     蓝</translation>
    </message>
    <message>
        <source>MosaicMode</source>
        <translation>拼接模式</translation>
    </message>
    <message>
        <source>No Sync Mosaic</source>
        <translation>非同步拼接</translation>
    </message>
    <message>
        <source>Sync Mosaic</source>
        <translation>同步拼接</translation>
    </message>
    <message>
        <source>Audio_Set</source>
        <translation>音频设置</translation>
    </message>
    <message>
        <source>Hot_Spare</source>
        <translation>热备份</translation>
    </message>
    <message>
        <source>Output_Format</source>
        <translation>输出分辨率</translation>
    </message>
    <message>
        <source>PIP_Size_Position</source>
        <translation>PIP窗口位置大小</translation>
    </message>
    <message>
        <source>PIP_Mode</source>
        <translation>PIP模式</translation>
    </message>
    <message>
        <source>Main</source>
        <translation>主窗口</translation>
    </message>
    <message>
        <source>Main_Hori_Width:</source>
        <translation>背景宽度:</translation>
    </message>
    <message>
        <source>Main_Hori_Start:</source>
        <translation>背景水平起始:</translation>
    </message>
    <message>
        <source>Main_Vert_Height:</source>
        <translation>背景高度:</translation>
    </message>
    <message>
        <source>Main_Vert_Start:</source>
        <translation>背景垂直起始:</translation>
    </message>
    <message>
        <source>PIP</source>
        <translation>PIP窗口</translation>
    </message>
    <message>
        <source>PIP_Hori_Width:</source>
        <translation>PIP宽度:</translation>
    </message>
    <message>
        <source>PIP_Hori_Start:</source>
        <translation>PIP水平起始:</translation>
    </message>
    <message>
        <source>PIP_Vert_Height:</source>
        <translation>PIP高度:</translation>
    </message>
    <message>
        <source>PIP_Vert_Start:</source>
        <translation>PIP垂直起始:</translation>
    </message>
    <message>
        <source>Main_Hori_Width+Main_Hori_Start</source>
        <translation>背景宽度+背景水平起始</translation>
    </message>
    <message>
        <source>Main_Vert_Height+Main_Vert_Start</source>
        <translation>背景高度+背景垂直起始</translation>
    </message>
    <message>
        <source>PIP_Hori_Width+PIP_Hori_Start</source>
        <translation>PIP宽度+PIP水平起始</translation>
    </message>
    <message>
        <source>PIP_Vert_Height+PIP_Vert_Start</source>
        <translation>PIP高度+PIP垂直起始</translation>
    </message>
    <message>
        <source>Input_Size_Position</source>
        <translation>输入窗口位置大小</translation>
    </message>
    <message>
        <source>In_Hori_Width:</source>
        <translation>输入宽度:</translation>
    </message>
    <message>
        <source>In_Hori_Start:</source>
        <translation>输入水平起始:</translation>
    </message>
    <message>
        <source>In_Vert_Height:</source>
        <translation>输入高度:</translation>
    </message>
    <message>
        <source>In_Vert_Start:</source>
        <translation>输入垂直起始:</translation>
    </message>
    <message>
        <source>In_Hori_Width+In_Hori_Start</source>
        <translation>输入宽度+输入水平起始</translation>
    </message>
    <message>
        <source>In_Vert_Height+In_Vert_Start</source>
        <translation>输入高度+输入垂直起始</translation>
    </message>
    <message>
        <source>Output_Size_Position</source>
        <translation>输出窗口位置大小</translation>
    </message>
    <message>
        <source>Out_Hori_Width:</source>
        <translation>输出宽度:</translation>
    </message>
    <message>
        <source>Out_Hori_Start:</source>
        <translation>输出水平起始:</translation>
    </message>
    <message>
        <source>Out_Vert_Height:</source>
        <translation>输出高度:</translation>
    </message>
    <message>
        <source>Out_Vert_Start:</source>
        <translation>输出垂直起始:</translation>
    </message>
    <message>
        <source>Out_Hori_Width+Out_Hori_Start</source>
        <translation>输出宽度+输出水平起始</translation>
    </message>
    <message>
        <source>Out_Vert_Height+Out_Vert_Start</source>
        <translation>输出高度+输出垂直起始</translation>
    </message>
    <message>
        <source>Color_Explain</source>
        <translation>颜色说明</translation>
    </message>
    <message>
        <source>Not Saved</source>
        <translation>正在输入</translation>
    </message>
    <message>
        <source>Saved</source>
        <translation>完成输入</translation>
    </message>
    <message>
        <source>Main_Area</source>
        <translation>背景窗口</translation>
    </message>
    <message>
        <source>PIP_Area</source>
        <translation>PIP窗口</translation>
    </message>
    <message>
        <source>Output_Area</source>
        <translation>输出主窗口</translation>
    </message>
    <message>
        <source>Input_Area</source>
        <translation>输入主窗口</translation>
    </message>
    <message>
        <source>Bg_Area</source>
        <translation>背景区域</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>%1 up</source>
        <translation>%1 向上</translation>
    </message>
    <message>
        <source>%1 down</source>
        <translation>%1 向下</translation>
    </message>
    <message>
        <source>Reading page %1...</source>
        <translation>正在读取第 %1 页...</translation>
    </message>
    <message>
        <source>System Information</source>
        <translation>系统信息</translation>
    </message>
    <message>
        <source>Save %1</source>
        <translation>保存%1</translation>
    </message>
    <message>
        <source>No answer from the device</source>
        <translation>设备未应答</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>No answer from the device for: %1</source>
        <translation>设备未应答：%1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>Scroll up and down</source>
        <translation>上下滚动</translation>
    </message>
    <message>
        <source>Scroll sideways</source>
        <translation>左右滚动</translation>
    </message>
</context>
<context>
    <name>CSimpleMosaic</name>
    <message>
        <source>Fast Mosaic</source>
        <translation>快速拼接</translation>
    </message>
    <message>
        <source>Row</source>
        <translation>行</translation>
    </message>
    <message>
        <source>Column</source>
        <translation>列</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Mosaic</source>
        <translation>拼接</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>分辨率</translation>
    </message>
    <message>
        <source>MosaicMode</source>
        <translation>拼接模式</translation>
    </message>
    <message>
        <source>No Sync Mosaic</source>
        <translation>非同步拼接</translation>
    </message>
    <message>
        <source>Sync Mosaic</source>
        <translation>同步拼接</translation>
    </message>
    <message>
        <source>Auto Calculate</source>
        <translation>自动计算</translation>
    </message>
    <message>
        <source>Input（WindowID：000）</source>
        <translation>输入（窗口号：000）</translation>
    </message>
    <message>
        <source>Calculated</source>
        <translation>   计算值</translation>
    </message>
    <message>
        <source>Adjusted</source>
        <translation>微调值</translation>
    </message>
    <message>
        <source>InputWidth</source>
        <translation>输入宽度</translation>
    </message>
    <message>
        <source>InputHeight</source>
        <translation>输入高度</translation>
    </message>
    <message>
        <source>HorizontalStart</source>
        <translation>水平起始</translation>
    </message>
    <message>
        <source>VerticalStart</source>
        <translation>垂直起始</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Output（WindowID：000）</source>
        <translation>输出（窗口号：000）</translation>
    </message>
    <message>
        <source>OutputWidth</source>
        <translation>输出宽度</translation>
    </message>
    <message>
        <source>OutputHeight</source>
        <translation>输出高度</translation>
    </message>
    <message>
        <source>Bezel H</source>
        <translation>水平边框</translation>
    </message>
    <message>
        <source>Bezel V</source>
        <translation>垂直边框</translation>
    </message>
    <message>
        <source>Program wall</source>
        <translation>整墙设置</translation>
    </message>
    <message>
        <source>Detect</source>
        <translation>检测</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Input（WindowID：%1）</source>
        <translation>输入（窗口号：%1）</translation>
    </message>
    <message>
        <source>Output（WindowID：%1）</source>
        <translation>输出（窗口号：%1）</translation>
    </message>
    <message>
        <source>Effects show（Please enter each screen width and height values：Width&lt;=%1，Height&lt;=%2）</source>
        <translation>效果展示（请输入每块显示屏的宽度和高度数值：宽度&lt;=%1，高度&lt;=%2）</translation>
    </message>
    <message>
        <source>System Infomation</source>
        <translation>系统提示 </translation>
    </message>
    <message>
        <source>System Information</source>
        <translation>系统信息</translation>
    </message>
    <message>
        <source>Specification</source>
        <translation>规格</translation>
    </message>
    <message>
        <source>Rows of the wall</source>
        <translation>拼接行数</translation>
    </message>
    <message>
        <source>Columns of the wall</source>
        <translation>拼接列数</translation>
    </message>
    <message>
        <source>Device address</source>
        <translation>设备地址</translation>
    </message>
    <message>
        <source>Device address %1</source>
        <translation>设备地址 %1</translation>
    </message>
    <message>
        <source>Set the input window</source>
        <translation>设置输入窗口</translation>
    </message>
    <message>
        <source>Set the output window</source>
        <translation>设置输出窗口</translation>
    </message>
    <message>
        <source>Horizontal bezel in pixels</source>
        <translation>水平边框（像素）</translation>
    </message>
    <message>
        <source>Vertical bezel in pixels</source>
        <translation>垂直边框（像素）</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>%1: %2, %3</source>
        <translation>%1：%2，%3</translation>
    </message>
    <message>
        <source>Written to the device</source>
        <translation>已写入设备</translation>
    </message>
    <message>
        <source>Not written: the device did not accept it</source>
        <translation>未写入：设备未接受</translation>
    </message>
    <message>
        <source>Not written: the values were refused</source>
        <translation>未写入：数值被拒绝</translation>
    </message>
    <message>
        <source>Not written: not connected</source>
        <translation>未写入：未连接设备</translation>
    </message>
    <message>
        <source>The device is ready for the wall</source>
        <translation>设备已可拼接</translation>
    </message>
    <message>
        <source>No answer from the device</source>
        <translation>设备无应答</translation>
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
        <source>Chain service</source>
        <translation>设备链服务</translation>
    </message>
    <message>
        <source>Chain service socket</source>
        <translation>设备链服务套接字</translation>
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
    <message>
        <source>EXT. input %1</source>
        <translation>EXT. 输入 %1</translation>
    </message>
</context>
<context>
    <name>CWallProgram</name>
    <message>
        <source>Program wall</source>
        <translation>整墙设置</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>显示屏</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Mosaic mode afterwards</source>
        <translation>完成后的拼接模式</translation>
    </message>
    <message>
        <source>Leave as it is</source>
        <translation>保持不变</translation>
    </message>
    <message>
        <source>No Sync Mosaic</source>
        <translation>非同步拼接</translation>
    </message>
    <message>
        <source>Sync Mosaic</source>
        <translation>同步拼接</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
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
        <source>Cancelling after the current exchange…</source>
        <translation>当前通讯结束后取消…</translation>
    </message>
    <message>
        <source>connecting</source>
        <translation>正在连接</translation>
    </message>
    <message>
        <source>calculating</source>
        <translation>正在计算</translation>
    </message>
    <message>
        <source>setting the input window</source>
        <translation>正在设置输入窗口</translation>
    </message>
    <message>
        <source>setting the output window</source>
        <translation>正在设置输出窗口</translation>
    </message>
    <message>
        <source>setting the mosaic mode</source>
        <translation>正在设置拼接模式</translation>
    </message>
    <message>
        <source>Screen %1, address %2: %3</source>
        <translation>显示屏%1，地址%2：%3</translation>
    </message>
    <message>
        <source>Nothing was programmed: the wall is not laid out completely.</source>
        <translation>未设置任何显示屏：拼接规格或数据不完整。</translation>
    </message>
    <message>
        <source>%1 of %2 screens programmed, %3 failed, %4 cancelled.</source>
        <translation>共%2块显示屏，已设置%1块，失败%3块，取消%4块。</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>No answer</source>
        <translation>设备无应答</translation>
    </message>
    <message>
        <source>Not ready for the wall</source>
        <translation>设备未就绪</translation>
    </message>
    <message>
        <source>Cannot calculate</source>
        <translation>无法计算</translation>
    </message>
    <message>
        <source>Window out of range</source>
        <translation>窗口越界</translation>
    </message>
    <message>
        <source>Input window not accepted</source>
        <translation>输入窗口设置失败</translation>
    </message>
    <message>
        <source>Output window not accepted</source>
        <translation>输出窗口设置失败</translation>
    </message>
    <message>
        <source>Mosaic mode not accepted</source>
        <translation>拼接模式设置失败</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>已取消</translation>
    </message>
    <message>
        <source>width</source>
        <translation>宽度</translation>
    </message>
    <message>
        <source>horizontal start</source>
        <translation>水平起始</translation>
    </message>
    <message>
        <source>height</source>
        <translation>高度</translation>
    </message>
    <message>
        <source>vertical start</source>
        <translation>垂直起始</translation>
    </message>
    <message>
        <source>input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>%1 %2 made even</source>
        <translation>%1%2已改为偶数</translation>
    </message>
    <message>
        <source>Addresses of the screens</source>
        <translation>各显示屏的地址</translation>
    </message>
    <message>
        <source>Programming progress</source>
        <translation>设置进度</translation>
    </message>
    <message>
        <source>Address of screen %1</source>
        <translation>显示屏 %1 的地址</translation>
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
    <message>
        <source>Value out  of range</source>
        <translation>值越界</translation>
    </message>
    <message>
        <source>The input value must be even, and can not be odd</source>
        <translation>输入值必须是偶数，不能是奇数</translation>
    </message>
    <message>
        <source>Setup failed</source>
        <translation>设置失败</translation>
    </message>
    <message>
        <source>Set successfully</source>
        <translation>设置成功</translation>
    </message>
    <message>
        <source>Value cannot be upward adjustment</source>
        <translation>数值无法再向上调节</translation>
    </message>
    <message>
        <source>Value cannot be downward adjustment</source>
        <translation>数值无法再向下调节</translation>
    </message>
    <message>
        <source>Sorry, audio1 and audio2 can&apos;t use the same channel</source>
        <translation>对不起，音频1和音频2无法使用同一个通道</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Signal</source>
        <translation>信号</translation>
    </message>
    <message>
        <source>WDay</source>
        <translation>周日期</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>月日期</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Are you Sure  want to delete the current timing settings? </source>
        <translation>Are you Sure  want to delete the current timing settings? </translation>
    </message>
    <message>
        <source>Are you Sure  want to delete the current timing settings?</source>
        <translation>Are you Sure  want to delete the current timing settings?</translation>
    </message>
    <message>
        <source>Are you sure  want to delete the current timing settings?</source>
        <translation>Are you sure  want to delete the current timing settings?</translation>
    </message>
    <message>
        <source>Please select an item.</source>
        <translation>Please select an item.</translation>
    </message>
    <message>
        <source>The plan items of one day can not exceed %d.</source>
        <translation>The plan items of one day can not exceed %d.</translation>
    </message>
    <message>
        <source>%1 entries beyond the limit are in the file.</source>
        <translation>文件中还有%1个条目超出上限。</translation>
    </message>
    <message>
        <source>Sorry, opertion is invalid due to that the minimal time interval between a new plan and a exsisted one is 10 seconds</source>
        <translation>对不起，操作不成功，因新添加的定时器与已存定时器之间最小时间间隔为10秒</translation>
    </message>
    <message>
        <source>请选定要启动的定时器</source>
        <translation>请选定要启动的定时器</translation>
    </message>
    <message>
        <source>Immediate Execution</source>
        <translation>即将执行</translation>
    </message>
    <message>
        <source>No Execution</source>
        <translation>未执行</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Cannot send: the link is closed</source>
        <translation>无法发送：连接已关闭</translation>
    </message>
    <message>
        <source>Plan at %1 missed: it was %2 s late</source>
        <translation>定时 %1 已错过：迟了 %2 秒</translation>
    </message>
    <message>
        <source>Plan file: bad entry %2 in section %1; later entries not loaded</source>
        <translation>定时文件：%1 段的条目 %2 有误，其后的条目未载入</translation>
    </message>
    <message>
        <source>Plan file not saved: %1</source>
        <translation>定时文件未保存：%1</translation>
    </message>
    <message>
        <source>Sorry, Does not support the splicing Specifications (6 X 8)</source>
        <translation>对不起，不支持超过(6 X 8)的拼接规格</translation>
    </message>
    <message>
        <source>Sorry, does not support the splice specifications of less than (1 X 1)</source>
        <translation>对不起，不支持小于(1 X 1)的拼接规格</translation>
    </message>
    <message>
        <source>Sorry, please complete horizontal data, or can not be calculated</source>
        <translation>对不起，请将横向数据填写完整,否则无法进行拼接计算</translation>
    </message>
    <message>
        <source>Sorry, data out of range</source>
        <translation>对不起，数据超出预定范围</translation>
    </message>
    <message>
        <source>Sorry, please complete Vertical data, or can not be calculated</source>
        <translation>对不起，请将纵向数据填写完整,否则无法进行拼接计算</translation>
    </message>
    <message>
        <source>Data out of range</source>
        <translation>值越界</translation>
    </message>
    <message>
        <source>Can not connect to the device, detection device address</source>
        <translation>无法连接到设备，请检测设备地址</translation>
    </message>
    <message>
        <source>Please detection DVI channel signal</source>
        <translation>请检测DVI通道是否有信号</translation>
    </message>
    <message>
        <source>Set Success</source>
        <translation>设置成功</translation>
    </message>
    <message>
        <source>Set Fail</source>
        <translation>设置失败</translation>
    </message>
    <message>
        <source>Please connect the serial port</source>
        <translation>请连接好串口</translation>
    </message>
    <message>
        <source>The device did not answer</source>
        <translation>设备无应答</translation>
    </message>
    <message>
        <source>The device did not accept the setting</source>
        <translation>设备未接受设置</translation>
    </message>
    <message>
        <source>Link closed: press Connect to reach the device again</source>
        <translation>连接已关闭：请按“连接”重新连接设备</translation>
    </message>
    <message>
        <source>Chain service: %1</source>
        <translation>设备链服务：%1</translation>
    </message>
    <message>
        <source>The chain service lost its link to the device: %1</source>
        <translation>设备链服务与设备的连接中断：%1</translation>
    </message>
    <message>
        <source>The chain service closed the connection: press Connect</source>
        <translation>设备链服务关闭了连接：请按“连接”</translation>
    </message>
    <message>
        <source>The chain service refused the job: %1</source>
        <translation>设备链服务拒绝了此操作：%1</translation>
    </message>
    <message>
        <source>This program was built without the chain service client</source>
        <translation>本程序不含设备链服务客户端</translation>
    </message>
    <message>
        <source>That clock time does not exist on that date here (the clocks go forward): choose another time</source>
        <translation>该日期在本地没有这个时刻（时钟拨快）：请选择其他时间</translation>
    </message>
    <message>
        <source>The port is held by the chain service: choose Chain service with the socket %1</source>
        <translation>该端口已由设备链服务占用：请选择“设备链服务”并使用套接字 %1</translation>
    </message>
</context>
<context>
    <name>PlanPage</name>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Modify</source>
        <translation>修改</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Plans</source>
        <translation>定时列表</translation>
    </message>
    <message>
        <source>System Information</source>
        <comment>one form only</comment>
        <translation>System Information</translation>
    </message>
    <message>
        <source>System Information</source>
        <translation>系统信息</translation>
    </message>
    <message>
        <source>System Information </source>
        <comment>one form only</comment>
        <translation>System Information </translation>
    </message>
</context>
<context>
    <name>SpinButton</name>
    <message>
        <source>Increase %1</source>
        <translation>增加%1</translation>
    </message>
    <message>
        <source>Decrease %1</source>
        <translation>减少%1</translation>
    </message>
</context>
<context>
    <name>WallCell</name>
    <message>
        <source>Width</source>
        <translation>宽</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>高</translation>
    </message>
    <message>
        <source>Screen %1</source>
        <translation>显示屏%1</translation>
    </message>
    <message>
        <source>Width of screen %1</source>
        <translation>显示屏%1的宽度</translation>
    </message>
    <message>
        <source>Height of screen %1</source>
        <translation>显示屏%1的高度</translation>
    </message>
</context>
</TS>
