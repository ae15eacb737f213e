<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Application has been started.Please exit current application and try again.</source>
        <translation>应用已启动，请退出应用后重试</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>ZUTAVUpdate</name>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Internet connection lost,Please check internet connection!</source>
        <translation>网络连接已断开，请检查网络连接！</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The TAV application is the latest version,do not need to update.</source>
        <translation>TAV 应用已是最新版本，无需更新。</translation>
    </message>
    <message>
        <source>Download failed, please try again.</source>
        <translation>下载失败，请重试。</translation>
    </message>
    <message>
        <source>Update done.</source>
        <translation>更新完成。</translation>
    </message>
    <message>
        <source>Update done, application will be restarted.</source>
        <translation>更新完成，应用将重新启动。</translation>
    </message>
    <message>
        <source>Downloading </source>
        <translation>正在下载 </translation>
    </message>
    <message>
        <source>Unpacking </source>
        <translation>正在解压 </translation>
    </message>
    <message>
        <source>The last update could not be finished: the database file is in use by another program. Please close that program and try again.</source>
        <translation>上次更新未能完成：数据库文件正被其他程序使用。请关闭该程序后重试。</translation>
    </message>
    <message>
        <source>The last update could not be finished: the disk is full. Please free some space on the disk and try again.</source>
        <translation>上次更新未能完成：磁盘已满。请清理磁盘空间后重试。</translation>
    </message>
    <message>
        <source>The last update could be neither finished nor undone, so no update can be installed. Please ask the administrator to check the program folder; the log names the files concerned.</source>
        <translation>上次更新既未能完成也未能撤销，因此无法安装更新。请联系管理员检查程序目录；日志中列出了相关文件。</translation>
    </message>
</context>
<context>
    <name>ZUTAVUpdateDialog</name>
    <message>
        <source>ZUTAVUpdate</source>
        <translation>TAV 更新</translation>
    </message>
    <message>
        <source>0KB / 0KB</source>
        <translation>0KB / 0KB</translation>
    </message>
</context>
</TS>
