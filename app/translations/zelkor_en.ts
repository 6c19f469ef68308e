<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DeviceThread</name>
    <message>
        <source>n/a</source>
        <translation>n/a</translation>
    </message>
    <message>
        <source>Нет прошивки</source>
        <translation>No firmware</translation>
    </message>
    <message>
        <source>Готов</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>режим ISP</source>
        <translation>ISP mode</translation>
    </message>
</context>
<context>
    <name>RefusalText</name>
    <message>
        <source>Permission denied</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>In use by %1 (%2)</source>
        <translation>In use by %1 (%2)</translation>
    </message>
    <message>
        <source>In use by another program</source>
        <translation>In use by another program</translation>
    </message>
    <message>
        <source>%1 is in use by %2 (process %3). Close that program to use the port here.</source>
        <translation>%1 is in use by %2 (process %3). Close that program to use the port here.</translation>
    </message>
    <message>
        <source>%1 is in use by another program. Close it to use the port here.</source>
        <translation>%1 is in use by another program. Close it to use the port here.</translation>
    </message>
    <message>
        <source>%1 may be opened by the members of the group %2. Join it with
sudo usermod -aG %2 $USER
then log out and in again.</source>
        <translation>%1 may be opened by the members of the group %2. Join it with
sudo usermod -aG %2 $USER
then log out and in again.</translation>
    </message>
    <message>
        <source>Only its owner %2 may open %1: ask your administrator for access.</source>
        <translation>Only its owner %2 may open %1: ask your administrator for access.</translation>
    </message>
</context>
<context>
    <name>Zelkor</name>
    <message>
        <source>Zelkor v%1</source>
        <translation>Zelkor v%1</translation>
    </message>
    <message>
        <source>Please select firmware *.cod file</source>
        <translation>Please select firmware *.cod file</translation>
    </message>
    <message>
        <source>Open firmware file</source>
        <translation>Open firmware file</translation>
    </message>
    <message>
        <source>Firmware file not found</source>
        <translation>Firmware file not found</translation>
    </message>
    <message>
        <source>Device is not selected</source>
        <translation>Device is not selected</translation>
    </message>
    <message>
        <source>Нужна повторная загрузка (поток) </source>
        <translation>Update needed again (thread) </translation>
    </message>
    <message>
        <source>Error. Trying to update again</source>
        <translation>Error. Trying to update again</translation>
    </message>
    <message>
        <source>Повторный старт потока </source>
        <translation>Restarting thread </translation>
    </message>
    <message>
        <source>Please reconnect device</source>
        <translation>Please reconnect device</translation>
    </message>
    <message>
        <source>1 device is still being updated or calibrated.</source>
        <translation>1 device is still being updated or calibrated.</translation>
    </message>
    <message>
        <source>%1 devices are still being updated or calibrated.</source>
        <translation>%1 devices are still being updated or calibrated.</translation>
    </message>
    <message>
        <source>Quitting now stops the jobs and can leave a device without firmware. Quit anyway?</source>
        <translation>Quitting now stops the jobs and can leave a device without firmware. Quit anyway?</translation>
    </message>
    <message>
        <source>Quit anyway</source>
        <translation>Quit anyway</translation>
    </message>
    <message>
        <source>Keep running</source>
        <translation>Keep running</translation>
    </message>
    <message>
        <source>Can&apos;n open device</source>
        <translation>Can&apos;t open device</translation>
    </message>
    <message>
        <source>Can&apos;n open firmware file</source>
        <translation>Can&apos;t open firmware file</translation>
    </message>
    <message>
        <source>Firmware file is corrupted</source>
        <translation>Firmware file is corrupted</translation>
    </message>
    <message>
        <source>Can&apos;t execute command RESET</source>
        <translation>Can&apos;t execute command RESET</translation>
    </message>
    <message>
        <source>Can&apos;t execute command CONNECT</source>
        <translation>Can&apos;t execute command CONNECT</translation>
    </message>
    <message>
        <source>Can&apos;t execute command DISCONNECT</source>
        <translation>Can&apos;t execute command DISCONNECT</translation>
    </message>
    <message>
        <source>Can&apos;t execute command NEW SECTION</source>
        <translation>Can&apos;t execute command NEW SECTION</translation>
    </message>
    <message>
        <source>Can&apos;t execute command WRITE DATA</source>
        <translation>Can&apos;t execute command WRITE DATA</translation>
    </message>
    <message>
        <source>Can&apos;t execute command SCAL</source>
        <translation>Can&apos;t execute command SCAL</translation>
    </message>
    <message>
        <source>Can&apos;t execute command SAVE</source>
        <translation>Can&apos;t execute command SAVE</translation>
    </message>
    <message>
        <source>Can&apos;t execute command GETI</source>
        <translation>Can&apos;t execute command GETI</translation>
    </message>
    <message>
        <source>Can&apos;t execute command CALIBRATE</source>
        <translation>Can&apos;t execute command CALIBRATE</translation>
    </message>
    <message>
        <source>Can&apos;t execute command RDAN</source>
        <translation>Can&apos;t execute command RDAN</translation>
    </message>
    <message>
        <source>Please connect external power</source>
        <translation>Please connect external power</translation>
    </message>
    <message>
        <source>Can&apos;t execute command GFWV</source>
        <translation>Can&apos;t execute command GFWV</translation>
    </message>
    <message>
        <source>Can&apos;t set timeout</source>
        <translation>Can&apos;t set timeout</translation>
    </message>
    <message>
        <source>Firmware update was cancelled</source>
        <translation>Firmware update was cancelled</translation>
    </message>
    <message>
        <source>Calibration was cancelled</source>
        <translation>Calibration was cancelled</translation>
    </message>
    <message>
        <source>Firmware *.cod files (*.cod);;All files (*.*)</source>
        <translation>Firmware *.cod files (*.cod);;All files (*.*)</translation>
    </message>
    <message>
        <source>Device still asks for firmware</source>
        <translation>Device still asks for firmware</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Interrupted</translation>
    </message>
    <message numerus="yes">
        <source>No device answered on %n scanned port(s)</source>
        <translation>
            <numerusform>No device answered on %n scanned port</numerusform>
            <numerusform>No device answered on %n scanned ports</numerusform>
        </translation>
    </message>
    <message>
        <source>No serial port could be opened</source>
        <translation>No serial port could be opened</translation>
    </message>
    <message>
        <source>No serial port found</source>
        <translation>No serial port found</translation>
    </message>
</context>
<context>
    <name>ZelkorClass</name>
    <message>
        <source>Zelkor</source>
        <translation>Zelkor</translation>
    </message>
    <message>
        <source>Обнаруженные устройства:</source>
        <translation>Detected devices:</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Location</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Firmware version</source>
        <translation>Firmware version</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Firmware update</source>
        <translation>Firmware update</translation>
    </message>
    <message>
        <source>Update firmware</source>
        <translation>Update firmware</translation>
    </message>
    <message>
        <source>Calibrate after updating</source>
        <translation>Calibrate after updating</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>External power</source>
        <translation>External power</translation>
    </message>
    <message>
        <source>Calibrate</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <source> V</source>
        <translation> V</translation>
    </message>
</context>
</TS>
