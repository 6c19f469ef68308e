<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>DeviceThread</name>
    <message>
        <source>n/a</source>
        <translation>н/д</translation>
    </message>
    <message>
        <source>Нет прошивки</source>
        <translation>Нет прошивки</translation>
    </message>
    <message>
        <source>Готов</source>
        <translation>Готов</translation>
    </message>
    <message>
        <source>режим ISP</source>
        <translation>режим ISP</translation>
    </message>
</context>
<context>
    <name>RefusalText</name>
    <message>
        <source>Permission denied</source>
        <translation>Нет доступа</translation>
    </message>
    <message>
        <source>In use by %1 (%2)</source>
        <translation>Занят программой %1 (%2)</translation>
    </message>
    <message>
        <source>In use by another program</source>
        <translation>Занят другой программой</translation>
    </message>
    <message>
        <source>%1 is in use by %2 (process %3). Close that program to use the port here.</source>
        <translation>%1 занят программой %2 (процесс %3). Закройте её, чтобы работать с портом здесь.</translation>
    </message>
    <message>
        <source>%1 is in use by another program. Close it to use the port here.</source>
        <translation>%1 занят другой программой. Закройте её, чтобы работать с портом здесь.</translation>
    </message>
    <message>
        <source>%1 may be opened by the members of the group %2. Join it with
sudo usermod -aG %2 $USER
then log out and in again.</source>
        <translation>%1 могут открывать только участники группы %2. Вступите в неё командой
sudo usermod -aG %2 $USER
и войдите в систему заново.</translation>
    </message>
    <message>
        <source>Only its owner %2 may open %1: ask your administrator for access.</source>
        <translation>%1 может открывать только его владелец %2: попросите администратора дать вам доступ.</translation>
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
        <translation>Выберите файл прошивки *.cod</translation>
    </message>
    <message>
        <source>Open firmware file</source>
        <translation>Открыть файл прошивки</translation>
    </message>
    <message>
        <source>Firmware file not found</source>
        <translation>Файл прошивки не найден</translation>
    </message>
    <message>
        <source>Device is not selected</source>
        <translation>Устройство не выбрано</translation>
    </message>
    <message>
        <source>Нужна повторная загрузка (поток) </source>
        <translation>Нужна повторная загрузка (поток) </translation>
    </message>
    <message>
        <source>Error. Trying to update again</source>
        <translation>Ошибка. Повторная попытка обновления</translation>
    </message>
    <message>
        <source>Повторный старт потока </source>
        <translation>Повторный старт потока </translation>
    </message>
    <message>
        <source>Please reconnect device</source>
        <translation>Переподключите устройство</translation>
    </message>
    <message>
        <source>1 device is still being updated or calibrated.</source>
        <translation>1 устройство ещё обновляется или калибруется.</translation>
    </message>
    <message>
        <source>%1 devices are still being updated or calibrated.</source>
        <translation>Устройств, которые ещё обновляются или калибруются: %1.</translation>
    </message>
    <message>
        <source>Quitting now stops the jobs and can leave a device without firmware. Quit anyway?</source>
        <translation>Выход сейчас прервёт задания и может оставить устройство без прошивки. Всё равно выйти?</translation>
    </message>
    <message>
        <source>Quit anyway</source>
        <translation>Всё равно выйти</translation>
    </message>
    <message>
        <source>Keep running</source>
        <translation>Продолжить работу</translation>
    </message>
    <message>
        <source>Can&apos;n open device</source>
        <translation>Не удаётся открыть устройство</translation>
    </message>
    <message>
        <source>Can&apos;n open firmware file</source>
        <translation>Не удаётся открыть файл прошивки</translation>
    </message>
    <message>
        <source>Firmware file is corrupted</source>
        <translation>Файл прошивки повреждён</translation>
    </message>
    <message>
        <source>Can&apos;t execute command RESET</source>
        <translation>Не удаётся выполнить команду RESET</translation>
    </message>
    <message>
        <source>Can&apos;t execute command CONNECT</source>
        <translation>Не удаётся выполнить команду CONNECT</translation>
    </message>
    <message>
        <source>Can&apos;t execute command DISCONNECT</source>
        <translation>Не удаётся выполнить команду DISCONNECT</translation>
    </message>
    <message>
        <source>Can&apos;t execute command NEW SECTION</source>
        <translation>Не удаётся выполнить команду NEW SECTION</translation>
    </message>
    <message>
        <source>Can&apos;t execute command WRITE DATA</source>
        <translation>Не удаётся выполнить команду WRITE DATA</translation>
    </message>
    <message>
        <source>Can&apos;t execute command SCAL</source>
        <translation>Не удаётся выполнить команду SCAL</translation>
    </message>
    <message>
        <source>Can&apos;t execute command SAVE</source>
        <translation>Не удаётся выполнить команду SAVE</translation>
    </message>
    <message>
        <source>Can&apos;t execute command GETI</source>
        <translation>Не удаётся выполнить команду GETI</translation>
    </message>
    <message>
        <source>Can&apos;t execute command CALIBRATE</source>
        <translation>Не удаётся выполнить команду CALIBRATE</translation>
    </message>
    <message>
        <source>Can&apos;t execute command RDAN</source>
        <translation>Не удаётся выполнить команду RDAN</translation>
    </message>
    <message>
        <source>Please connect external power</source>
        <translation>Подключите внешнее питание</translation>
    </message>
    <message>
        <source>Can&apos;t execute command GFWV</source>
        <translation>Не удаётся выполнить команду GFWV</translation>
    </message>
    <message>
        <source>Can&apos;t set timeout</source>
        <translation>Не удаётся задать тайм-аут</translation>
    </message>
    <message>
        <source>Firmware update was cancelled</source>
        <translation>Обновление прошивки прервано</translation>
    </message>
    <message>
        <source>Calibration was cancelled</source>
        <translation>Калибровка прервана</translation>
    </message>
    <message>
        <source>Firmware *.cod files (*.cod);;All files (*.*)</source>
        <translation>Файлы прошивки *.cod (*.cod);;Все файлы (*.*)</translation>
    </message>
    <message>
        <source>Device still asks for firmware</source>
        <translation>Устройство всё ещё ждёт прошивку</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Прервано</translation>
    </message>
    <message numerus="yes">
        <source>No device answered on %n scanned port(s)</source>
        <translation>
            <numerusform>Ни одно устройство не ответило на %n опрошенном порту</numerusform>
            <numerusform>Ни одно устройство не ответило на %n опрошенных портах</numerusform>
            <numerusform>Ни одно устройство не ответило на %n опрошенных портах</numerusform>
        </translation>
    </message>
    <message>
        <source>No serial port could be opened</source>
        <translation>Не удалось открыть ни одного последовательного порта</translation>
    </message>
    <message>
        <source>No serial port found</source>
        <translation>Последовательные порты не найдены</translation>
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
        <translation>Обнаруженные устройства:</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Порт</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Серийный номер</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Описание</translation>
    </message>
    <message>
        <source>Firmware version</source>
        <translation>Версия прошивки</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Состояние</translation>
    </message>
    <message>
        <source>Firmware update</source>
        <translation>Обновление прошивки</translation>
    </message>
    <message>
        <source>Update firmware</source>
        <translation>Обновить прошивку</translation>
    </message>
    <message>
        <source>Calibrate after updating</source>
        <translation>Калибровать после обновления</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>Калибровка</translation>
    </message>
    <message>
        <source>External power</source>
        <translation>Внешнее питание</translation>
    </message>
    <message>
        <source>Calibrate</source>
        <translation>Калибровать</translation>
    </message>
    <message>
        <source> V</source>
        <translation> В</translation>
    </message>
</context>
</TS>
