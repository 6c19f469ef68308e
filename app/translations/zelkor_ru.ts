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
    <name>JobBatches</name>
    <message numerus="yes">
        <source>%n updated</source>
        <translation>
            <numerusform>%n устройство обновлено</numerusform>
            <numerusform>%n устройства обновлено</numerusform>
            <numerusform>%n устройств обновлено</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n calibrated</source>
        <translation>
            <numerusform>%n устройство откалибровано</numerusform>
            <numerusform>%n устройства откалибровано</numerusform>
            <numerusform>%n устройств откалибровано</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n updated and calibrated</source>
        <translation>
            <numerusform>%n устройство обновлено и откалибровано</numerusform>
            <numerusform>%n устройства обновлено и откалибровано</numerusform>
            <numerusform>%n устройств обновлено и откалибровано</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n failed</source>
        <translation>
            <numerusform>%n с ошибкой</numerusform>
            <numerusform>%n с ошибкой</numerusform>
            <numerusform>%n с ошибкой</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n not started</source>
        <translation>
            <numerusform>%n не запущено</numerusform>
            <numerusform>%n не запущено</numerusform>
            <numerusform>%n не запущено</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>JobHistoryModel</name>
    <message>
        <source>Not started</source>
        <translation>Не запущено</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Порт</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Серийный номер</translation>
    </message>
    <message>
        <source>Firmware before</source>
        <translation>Прошивка до</translation>
    </message>
    <message>
        <source>Firmware after</source>
        <translation>Прошивка после</translation>
    </message>
    <message>
        <source>Job</source>
        <translation>Задание</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Результат</translation>
    </message>
    <message>
        <source>Reason and what to do</source>
        <translation>Причина и что делать</translation>
    </message>
    <message>
        <source>Serial after</source>
        <translation>Серийный номер после</translation>
    </message>
</context>
<context>
    <name>JobHistoryPanel</name>
    <message>
        <source>Job history</source>
        <translation>Журнал заданий</translation>
    </message>
    <message>
        <source>The jobs of this session, newest first, with their result and what to do next</source>
        <translation>Задания этого сеанса, новые сверху, с результатом и тем, что делать дальше</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>Copies the selected jobs, or all of them, as CSV to the clipboard</source>
        <translation>Копирует выбранные задания (или все) в буфер обмена в формате CSV</translation>
    </message>
    <message>
        <source>&amp;Save as CSV…</source>
        <translation>&amp;Сохранить в CSV…</translation>
    </message>
    <message>
        <source>Saves the job history in a CSV file</source>
        <translation>Сохраняет журнал заданий в файл CSV</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Очистить</translation>
    </message>
    <message>
        <source>Empties the job history and removes the marks of past jobs from the device list</source>
        <translation>Очищает журнал заданий и убирает из списка устройств отметки прошлых заданий</translation>
    </message>
    <message>
        <source>Save job history</source>
        <translation>Сохранить журнал заданий</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Файлы CSV (*.csv)</translation>
    </message>
    <message>
        <source>Job history saved in %1</source>
        <translation>Журнал заданий сохранён в %1</translation>
    </message>
    <message>
        <source>%1 not saved: %2</source>
        <translation>%1 не сохранён: %2</translation>
    </message>
</context>
<context>
    <name>JobOutcome</name>
    <message>
        <source>Update</source>
        <translation>Обновление</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>Калибровка</translation>
    </message>
    <message>
        <source>Update and calibration</source>
        <translation>Обновление и калибровка</translation>
    </message>
    <message>
        <source>%1: %2%</source>
        <translation>%1: %2%</translation>
    </message>
    <message>
        <source>Updated</source>
        <translation>Обновлено</translation>
    </message>
    <message>
        <source>Calibrated</source>
        <translation>Откалибровано</translation>
    </message>
    <message>
        <source>Updated and calibrated</source>
        <translation>Обновлено и откалибровано</translation>
    </message>
    <message>
        <source>Calibration failed: %1</source>
        <translation>Калибровка не удалась: %1</translation>
    </message>
    <message>
        <source>Update failed: %1</source>
        <translation>Обновление не удалось: %1</translation>
    </message>
    <message>
        <source>updated at %1</source>
        <translation>обновлено в %1</translation>
    </message>
    <message>
        <source>updated to %1 at %2</source>
        <translation>обновлено до %1 в %2</translation>
    </message>
    <message>
        <source>updated and calibrated at %1</source>
        <translation>обновлено и откалибровано в %1</translation>
    </message>
    <message>
        <source>updated to %1 and calibrated at %2</source>
        <translation>обновлено до %1 и откалибровано в %2</translation>
    </message>
    <message>
        <source>calibrated at %1</source>
        <translation>откалибровано в %1</translation>
    </message>
</context>
<context>
    <name>PlainReason</name>
    <message>
        <source>The port could not be opened. Check that the device is plugged in and that no other program uses the port, then try again.</source>
        <translation>Не удалось открыть порт. Проверьте, что устройство подключено и порт не занят другой программой, и повторите попытку.</translation>
    </message>
    <message>
        <source>The firmware file could not be opened. Choose a firmware file that exists and that you may read.</source>
        <translation>Не удалось открыть файл прошивки. Выберите существующий файл прошивки, доступный вам для чтения.</translation>
    </message>
    <message>
        <source>The firmware file is not a firmware image. Nothing was sent to the device; choose the right file.</source>
        <translation>Файл прошивки не является образом прошивки. Устройству ничего не отправлено; выберите правильный файл.</translation>
    </message>
    <message>
        <source>The device did not restart into its loader, so nothing was written. Reconnect the device and try again.</source>
        <translation>Устройство не перезапустилось в загрузчик, поэтому ничего не записано. Переподключите устройство и повторите попытку.</translation>
    </message>
    <message>
        <source>The loader did not answer. Reconnect the device and try again.</source>
        <translation>Загрузчик не ответил. Переподключите устройство и повторите попытку.</translation>
    </message>
    <message>
        <source>The loader did not confirm the end of the firmware, so the device may have no working firmware now. Reconnect the device and update it again.</source>
        <translation>Загрузчик не подтвердил конец прошивки, поэтому устройство может остаться без рабочей прошивки. Переподключите устройство и обновите его ещё раз.</translation>
    </message>
    <message>
        <source>The loader refused a section of the firmware, so the device may have no working firmware now. Check that the file is meant for this device, then update it again.</source>
        <translation>Загрузчик отклонил раздел прошивки, поэтому устройство может остаться без рабочей прошивки. Проверьте, что файл предназначен для этого устройства, и обновите его ещё раз.</translation>
    </message>
    <message>
        <source>The loader did not take a line of the firmware, so the device may have no working firmware now. Reconnect the device and update it again.</source>
        <translation>Загрузчик не принял строку прошивки, поэтому устройство может остаться без рабочей прошивки. Переподключите устройство и обновите его ещё раз.</translation>
    </message>
    <message>
        <source>The firmware was written several times, yet the device still asks for firmware. Check that the file is meant for this device.</source>
        <translation>Прошивка записана несколько раз, но устройство всё ещё ждёт прошивку. Проверьте, что файл предназначен для этого устройства.</translation>
    </message>
    <message>
        <source>After the update the device no longer answers. Unplug it and plug it in again; if it then asks for firmware, update it again.</source>
        <translation>После обновления устройство не отвечает. Отключите и снова подключите его; если оно ждёт прошивку, обновите его ещё раз.</translation>
    </message>
    <message>
        <source>The job was stopped before its end because the program was closed or interrupted. Run it again; a device whose update was cut short has no working firmware until then.</source>
        <translation>Задание остановлено до конца, потому что программу закрыли или прервали. Запустите его снова: устройство с прерванным обновлением до тех пор остаётся без рабочей прошивки.</translation>
    </message>
    <message>
        <source>The device did not take the new calibration values and keeps its old calibration. Reconnect the device and calibrate it again.</source>
        <translation>Устройство не приняло новые калибровочные значения и сохраняет прежнюю калибровку. Переподключите устройство и откалибруйте его ещё раз.</translation>
    </message>
    <message>
        <source>The device did not confirm that it stored the new calibration. Calibrate it again.</source>
        <translation>Устройство не подтвердило сохранение новой калибровки. Откалибруйте его ещё раз.</translation>
    </message>
    <message>
        <source>The device did not say which model it is, so it was not calibrated. Reconnect the device and try again.</source>
        <translation>Устройство не сообщило свою модель, поэтому калибровка не выполнена. Переподключите устройство и повторите попытку.</translation>
    </message>
    <message>
        <source>The device did not enter its calibration mode, so it was not calibrated. Reconnect the device and try again.</source>
        <translation>Устройство не перешло в режим калибровки, поэтому калибровка не выполнена. Переподключите устройство и повторите попытку.</translation>
    </message>
    <message>
        <source>The device&apos;s measurements could not be read, or do not fit the voltage set under External power. Check the external supply and the voltage, then calibrate again.</source>
        <translation>Не удалось прочитать измерения устройства, или они не соответствуют напряжению в поле «Внешнее питание». Проверьте внешний источник и напряжение, затем откалибруйте ещё раз.</translation>
    </message>
    <message>
        <source>The device stored its calibration but did not restart. Unplug it and plug it in again.</source>
        <translation>Устройство сохранило калибровку, но не перезапустилось. Отключите и снова подключите его.</translation>
    </message>
    <message>
        <source>The device measures no external supply. Connect the supply at the voltage set under External power and calibrate again.</source>
        <translation>Устройство не видит внешнего питания. Подключите источник с напряжением из поля «Внешнее питание» и откалибруйте ещё раз.</translation>
    </message>
    <message>
        <source>The device did not report its firmware version, so it was not calibrated. A device without firmware must be updated first; otherwise reconnect it and try again.</source>
        <translation>Устройство не сообщило версию прошивки, поэтому калибровка не выполнена. Устройство без прошивки сначала нужно обновить; иначе переподключите его и повторите попытку.</translation>
    </message>
    <message>
        <source>The port refused its time-out settings. Reconnect the device and try again.</source>
        <translation>Порт не принял настройки тайм-аутов. Переподключите устройство и повторите попытку.</translation>
    </message>
    <message>
        <source>Nothing was sent to the device; choose the right firmware file.</source>
        <translation>Устройству ничего не отправлено; выберите правильный файл прошивки.</translation>
    </message>
    <message>
        <source>The firmware file %1 is larger than any firmware image (16 MiB).</source>
        <translation>Файл прошивки %1 больше любого образа прошивки (16 МиБ).</translation>
    </message>
    <message>
        <source>The firmware file %1 changed while it was read. Wait until it is copied in full, then try again.</source>
        <translation>Файл прошивки %1 изменился во время чтения. Дождитесь, пока он скопируется полностью, и повторите попытку.</translation>
    </message>
    <message>
        <source>The firmware file %1 has %2 lines; a firmware file has at least 10.</source>
        <translation>Строк в файле прошивки %1: %2, а в файле прошивки их не меньше 10.</translation>
    </message>
    <message>
        <source>Line 1 of the firmware file %1 is no address line (one that begins with &quot;@&quot;).</source>
        <translation>Строка 1 файла прошивки %1 — не строка адреса (та начинается с «@»).</translation>
    </message>
    <message>
        <source>The address on line %2 of the firmware file %1 is shorter than 8 characters.</source>
        <translation>Адрес в строке %2 файла прошивки %1 короче 8 символов.</translation>
    </message>
    <message>
        <source>The firmware file %1 has no end line (&quot;q&quot;): it may have been cut short.</source>
        <translation>В файле прошивки %1 нет конечной строки («q»): возможно, он обрезан.</translation>
    </message>
    <message>
        <source>Line %2 of the firmware file %1 follows its end line (&quot;q&quot;), where only blank lines may be.</source>
        <translation>Строка %2 файла прошивки %1 стоит после конечной строки («q»), где допустимы только пустые строки.</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>его нет</translation>
    </message>
    <message>
        <source>you may not read it</source>
        <translation>у вас нет права читать его</translation>
    </message>
    <message>
        <source>it is no regular file</source>
        <translation>это не обычный файл</translation>
    </message>
    <message>
        <source>The firmware file %1 could not be opened: %2. Choose a firmware file that exists and that you may read.</source>
        <translation>Не удалось открыть файл прошивки %1: %2. Выберите существующий файл прошивки, доступный вам для чтения.</translation>
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
    <message>
        <source>Job history</source>
        <translation>Журнал заданий</translation>
    </message>
    <message>
        <source>Firmware file not found: %1</source>
        <translation>Файл прошивки не найден: %1</translation>
    </message>
    <message>
        <source>%1: not started: %2</source>
        <translation>%1: не запущено: %2</translation>
    </message>
    <message>
        <source>%1 Then start the job again.</source>
        <translation>%1 Затем запустите задание снова.</translation>
    </message>
    <message>
        <source>Update: the device still asks for firmware; it is written once more</source>
        <translation>Обновление: устройство всё ещё ждёт прошивку; она записывается ещё раз</translation>
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
        <source> V</source>
        <translation> В</translation>
    </message>
    <message>
        <source>Detected devices</source>
        <translation>Обнаруженные устройства</translation>
    </message>
    <message>
        <source>Every device found on the serial ports; select the devices a job is for</source>
        <translation>Все устройства, найденные на последовательных портах; выберите устройства для задания</translation>
    </message>
    <message>
        <source>Device path</source>
        <translation>Путь к устройству</translation>
    </message>
    <message>
        <source>Firmware file</source>
        <translation>Файл прошивки</translation>
    </message>
    <message>
        <source>The firmware file (*.cod) that Update firmware writes into the selected devices</source>
        <translation>Файл прошивки (*.cod), который кнопка «Обновить прошивку» записывает в выбранные устройства</translation>
    </message>
    <message>
        <source>Chooses the firmware file in a dialog</source>
        <translation>Выбор файла прошивки в диалоге</translation>
    </message>
    <message>
        <source>&amp;Browse…</source>
        <translation>О&amp;бзор…</translation>
    </message>
    <message>
        <source>&amp;Update firmware</source>
        <translation>&amp;Обновить прошивку</translation>
    </message>
    <message>
        <source>Writes the firmware file into every selected device</source>
        <translation>Записывает файл прошивки во все выбранные устройства</translation>
    </message>
    <message>
        <source>Calibrates each device right after its update</source>
        <translation>Калибрует каждое устройство сразу после обновления</translation>
    </message>
    <message>
        <source>&amp;Calibrate</source>
        <translation>&amp;Калибровать</translation>
    </message>
    <message>
        <source>Calibrates every selected device against the external supply</source>
        <translation>Калибрует все выбранные устройства по внешнему источнику питания</translation>
    </message>
    <message>
        <source>External power voltage</source>
        <translation>Напряжение внешнего питания</translation>
    </message>
    <message>
        <source>The voltage of the external supply that the devices are calibrated against, 3 to 40 V</source>
        <translation>Напряжение внешнего источника, по которому калибруются устройства, от 3 до 40 В</translation>
    </message>
</context>
</TS>
