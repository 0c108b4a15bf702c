<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Meshcfg</name>
    <message>
        <location filename="../Layouts.cpp" line="+17"/>
        <source>Meshcfg，1.0 版</source>
        <translation>Meshcfg, version 1.0</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>数据信息框</source>
        <translation>Data log</translation>
    </message>
    <message>
        <location line="+47"/>
        <location line="+20"/>
        <source>图例说明</source>
        <translation>Legend</translation>
    </message>
    <message>
        <location line="-18"/>
        <location line="+20"/>
        <source>本地节点</source>
        <translation>Local</translation>
    </message>
    <message>
        <location line="-18"/>
        <location line="+20"/>
        <source>路由节点</source>
        <translation>Route</translation>
    </message>
    <message>
        <location line="-18"/>
        <location line="+20"/>
        <source>目标节点</source>
        <translation>Target</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>关于 Meshcfg</source>
        <translation>About Meshcfg</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>MESH组网路径读取-------Corvane v1.0</source>
        <translation>MESH network path reading-------Corvane v1.0</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>MESH组网路径读取系统</source>
        <translation>MESH network path reading system</translation>
    </message>
    <message>
        <location filename="../ResourceIds.h" line="+16"/>
        <source>关于 Meshcfg(&amp;A)...</source>
        <translation>&amp;About Meshcfg...</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>编辑</source>
        <translation>Edit</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>全部复制</source>
        <translation>Copy all</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>全部清空</source>
        <translation>Clear all</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>全部保存...</source>
        <translation>Save all...</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <location filename="../../app/LogMenu.cpp" line="+21"/>
        <source>Log (*.log);;CSV (*.csv);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+33"/>
        <source>The log could not be saved to %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::AppDialog</name>
    <message>
        <location filename="../../app/AppDialog.cpp" line="+48"/>
        <source>%1 could not be started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+30"/>
        <source>Mesh map...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::CMeshcfgDlg</name>
    <message>
        <location filename="../../app/PortPanel.cpp" line="+42"/>
        <source>Choose a baud rate and a parity first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Opening...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+14"/>
        <source>&gt; COM%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+7"/>
        <source>&gt; COM%1 lost: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The port was closed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>&gt; COM%1 back, but in use by another program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>&gt; COM%1 not back: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+15"/>
        <source>&gt; COM%1 back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&gt; COM%1 back as COM%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&gt; Continuous sending stays off until &quot;Continuous&quot; is ticked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../app/ReplyDispatch.cpp" line="+42"/>
        <source>%1 requests already wait for the port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the port took no data for %1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&gt; Not sent: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+7"/>
        <source>&gt; Not sent: %1, flushed from the port&apos;s output</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>&gt; %1 bytes dropped: receive buffer full.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+19"/>
        <source>&gt; No reply from COM%1 (check the module&apos;s power, baud rate and parity)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../app/SendTestHandlers.cpp" line="+24"/>
        <source>&gt; Data too long: at most %1 bytes can be sent.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>display::CDialog_Mesh</name>
    <message>
        <location filename="../../display/CDialog_Mesh.cpp" line="+44"/>
        <source>local node	%1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>target	route node
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>display::CDialog_Net_Path</name>
    <message>
        <location filename="../../display/CDialog_Net_Path.cpp" line="+48"/>
        <source>local node	%1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 -&gt; %2	%3 dBm
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>target	%1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 - to node %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>display::WindowMenu</name>
    <message>
        <location filename="../../display/WindowMenu.cpp" line="+22"/>
        <location line="+6"/>
        <source>Save as PNG</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-5"/>
        <source>PNG image (*.png)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Copy as text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+25"/>
        <source>The picture could not be saved to %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
