<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>CliOptions</name>
    <message>
        <source>  --settings FILE     settings file with the [Ports] map (default settings.ini)
  --user-config       use the window&apos;s folder for settings.ini and the job log:
                      $XDG_CONFIG_HOME/zelkor, normally ~/.config/zelkor
  --language NAME     en or ru; by default the user&apos;s, English where it is neither
  -v, --verbose       the program log&apos;s lines on standard error
  -q, --quiet         no progress, only results and errors
  -h, --help          help; after a command, that command&apos;s help
  -V, --version       the version
</source>
        <translation>  --settings FILE     файл настроек с картой [Ports] (по умолчанию settings.ini)
  --user-config       брать settings.ini и журнал заданий из папки окна:
                      $XDG_CONFIG_HOME/zelkor, обычно ~/.config/zelkor
  --language NAME     en или ru; по умолчанию язык пользователя, иначе английский
  -v, --verbose       строки журнала программы в стандартный поток ошибок
  -q, --quiet         без хода работы, только результаты и ошибки
  -h, --help          справка; после команды — справка по этой команде
  -V, --version       версия
</translation>
    </message>
    <message>
        <source>Usage: zelkor-cli [options] COMMAND [options] [PORT...]
Updates and calibrates measuring devices on serial ports without the window.

Commands:
  list        list the devices found by one scan
  update      write a firmware file into devices, optionally calibrating them after
  calibrate   calibrate devices against an external supply voltage

&apos;zelkor-cli COMMAND --help&apos; tells more about each. Results go to standard output,
progress and messages to standard error.

Options:
</source>
        <translation>Использование: zelkor-cli [параметры] COMMAND [параметры] [PORT...]
Обновляет и калибрует измерительные устройства на последовательных портах без окна.

Команды:
  list        список устройств, найденных одним опросом портов
  update      записать файл прошивки в устройства и, если нужно, затем откалибровать их
  calibrate   откалибровать устройства по внешнему напряжению питания

&apos;zelkor-cli COMMAND --help&apos; подробнее расскажет о каждой. Результаты идут в стандартный
вывод, ход работы и сообщения — в стандартный поток ошибок.

Параметры:
</translation>
    </message>
    <message>
        <source>
Exit status: 0 every job succeeded, 1 a job failed, 2 usage error, bad firmware file
or unknown port, 3 a port can&apos;t be opened, 130 interrupted.
</source>
        <translation>
Код возврата: 0 все задания выполнены, 1 задание не выполнено, 2 ошибка в командной
строке, негодный файл прошивки или неизвестный порт, 3 порт не открывается, 130 прервано.
</translation>
    </message>
    <message>
        <source>Usage: zelkor-cli list [--json] [options]
Lists the devices that one scan of every port finds: a header row, then port, device
path, serial number, description, firmware version and status, separated by tabs.

  --json              print JSON instead: every device, and every port that could not
                      be asked, with locale-free values
</source>
        <translation>Использование: zelkor-cli list [--json] [параметры]
Выводит устройства, найденные одним опросом всех портов: строку заголовка, затем порт,
путь к устройству, серийный номер, описание, версию прошивки и состояние через табуляцию.

  --json              вывести вместо этого JSON: каждое устройство и каждый порт, который
                      не удалось опросить, со значениями, не зависящими от языка
</translation>
    </message>
    <message>
        <source>Usage: zelkor-cli update --file FILE [--calibrate VOLTS] [options] PORT...
Writes the firmware file into the device on each PORT, all at once, and checks that it
runs. PORT is COM5, \\.\COM5 (any case) or a device path.

  --file FILE         the firmware file (.cod)
  --calibrate VOLTS   calibrate after the update, at this external voltage (3 to 40)
  --retries N         repeats while the device still asks for firmware (default 3)
  --job-log FILE      job log to append to (default zelkor-jobs.csv)
  --dry-run           check the ports and the file, touch no device
  --json              print the results as JSON
</source>
        <translation>Использование: zelkor-cli update --file FILE [--calibrate VOLTS] [параметры] PORT...
Записывает файл прошивки в устройство на каждом порту PORT, во все сразу, и проверяет,
что прошивка работает. PORT — это COM5, \\.\COM5 (в любом регистре) или путь к устройству.

  --file FILE         файл прошивки (.cod)
  --calibrate VOLTS   откалибровать после обновления при этом внешнем напряжении (3–40)
  --retries N         повторы, пока устройство ещё ждёт прошивку (по умолчанию 3)
  --job-log FILE      журнал заданий для записи (по умолчанию zelkor-jobs.csv)
  --dry-run           проверить порты и файл, не трогая устройств
  --json              вывести результаты в JSON
</translation>
    </message>
    <message>
        <source>Usage: zelkor-cli calibrate --voltage VOLTS [options] PORT...
Calibrates the device on each PORT against the external supply voltage, all at once.
PORT is COM5, \\.\COM5 (any case) or a device path.

  --voltage VOLTS     the external supply voltage, 3 to 40
  --job-log FILE      job log to append to (default zelkor-jobs.csv)
  --dry-run           check the ports, touch no device
  --json              print the results as JSON
</source>
        <translation>Использование: zelkor-cli calibrate --voltage VOLTS [параметры] PORT...
Калибрует устройство на каждом порту PORT по внешнему напряжению питания, все сразу.
PORT — это COM5, \\.\COM5 (в любом регистре) или путь к устройству.

  --voltage VOLTS     внешнее напряжение питания, от 3 до 40
  --job-log FILE      журнал заданий для записи (по умолчанию zelkor-jobs.csv)
  --dry-run           проверить порты, не трогая устройств
  --json              вывести результаты в JSON
</translation>
    </message>
    <message>
        <source>
Common options:
</source>
        <translation>
Общие параметры:
</translation>
    </message>
    <message>
        <source>Try &apos;zelkor-cli --help&apos;.</source>
        <translation>Справка: &apos;zelkor-cli --help&apos;.</translation>
    </message>
    <message>
        <source>%1 is not a number; write %2</source>
        <translation>%1 — не число; пишите %2</translation>
    </message>
    <message>
        <source>%1 is not a number</source>
        <translation>%1 — не число</translation>
    </message>
    <message>
        <source>&apos;update&apos; needs --file FILE</source>
        <translation>команде &apos;update&apos; нужен --file FILE</translation>
    </message>
    <message>
        <source>--retries takes a whole number from 0 up</source>
        <translation>--retries принимает целое число от 0</translation>
    </message>
    <message>
        <source>&apos;calibrate&apos; needs --voltage VOLTS</source>
        <translation>команде &apos;calibrate&apos; нужен --voltage VOLTS</translation>
    </message>
    <message>
        <source>the voltage must lie between %1 and %2 V</source>
        <translation>напряжение должно быть от %1 до %2 В</translation>
    </message>
    <message>
        <source>--language takes %1</source>
        <translation>--language принимает %1</translation>
    </message>
    <message>
        <source> or </source>
        <translation> или </translation>
    </message>
    <message>
        <source>expected a command: list, update or calibrate</source>
        <translation>ожидается команда: list, update или calibrate</translation>
    </message>
    <message>
        <source>--%1 does not belong to &apos;%2&apos;</source>
        <translation>--%1 не относится к команде &apos;%2&apos;</translation>
    </message>
    <message>
        <source>&apos;list&apos; takes no ports</source>
        <translation>команда &apos;list&apos; не принимает портов</translation>
    </message>
    <message>
        <source>no PORT given</source>
        <translation>не указан PORT</translation>
    </message>
</context>
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
    <name>JobCommand</name>
    <message>
        <source>%1 is named twice</source>
        <translation>%1 указан дважды</translation>
    </message>
    <message>
        <source>%1 is named twice: as %2 and %3</source>
        <translation>%1 указан дважды: как %2 и %3</translation>
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
    <name>JobRunner</name>
    <message>
        <source>Error. Trying to update again</source>
        <translation>Ошибка. Повторная попытка обновления</translation>
    </message>
</context>
<context>
    <name>ListCommand</name>
    <message numerus="yes">
        <source>no device answered on %n port(s)</source>
        <translation>
            <numerusform>ни одно устройство не ответило на %n порту</numerusform>
            <numerusform>ни одно устройство не ответило на %n портах</numerusform>
            <numerusform>ни одно устройство не ответило на %n портах</numerusform>
        </translation>
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
    <name>PortResolver</name>
    <message>
        <source>%1 is not of the form rfc2217://HOST:PORT</source>
        <translation>%1 не имеет вида rfc2217://HOST:PORT</translation>
    </message>
    <message>
        <source>unknown port %1</source>
        <translation>неизвестный порт %1</translation>
    </message>
    <message>
        <source>unknown port %1: no %2</source>
        <translation>неизвестный порт %1: нет %2</translation>
    </message>
    <message>
        <source>no free port name left for %1</source>
        <translation>не осталось свободного имени порта для %1</translation>
    </message>
</context>
<context>
    <name>ProgressOutput</name>
    <message>
        <source>update</source>
        <translation>обновление</translation>
    </message>
    <message>
        <source>calibrate</source>
        <translation>калибровка</translation>
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
    <message>
        <source>In use by another client</source>
        <translation>Занят другим клиентом</translation>
    </message>
    <message>
        <source>Unknown host</source>
        <translation>Неизвестный узел</translation>
    </message>
    <message>
        <source>Device server unreachable</source>
        <translation>Сервер портов недоступен</translation>
    </message>
    <message>
        <source>No RFC 2217 on the server</source>
        <translation>Сервер без RFC 2217</translation>
    </message>
    <message>
        <source>%1: another client of the device server %2 holds the port (%3). Close that connection to use the port here.</source>
        <translation>%1: порт сервера %2 занят другим клиентом (%3). Закройте то подключение, чтобы работать с портом здесь.</translation>
    </message>
    <message>
        <source>%1: the name of the device server %2 cannot be resolved (%3).</source>
        <translation>%1: имя сервера портов %2 не удаётся разрешить (%3).</translation>
    </message>
    <message>
        <source>%1: no connection to the device server %2 (%3). Check that it is on, can be reached from here and serves this port.</source>
        <translation>%1: нет связи с сервером портов %2 (%3). Проверьте, что он включён, доступен отсюда и обслуживает этот порт.</translation>
    </message>
    <message>
        <source>%1: the device server %2 takes no line settings (%3). Serve the port with RFC 2217 there (ser2net: telnet(rfc2217) in the accepter).</source>
        <translation>%1: сервер портов %2 не принимает настройки линии (%3). Включите на нём RFC 2217 для этого порта (ser2net: telnet(rfc2217) в accepter).</translation>
    </message>
    <message>
        <source>%1 (device server %2): %3</source>
        <translation>%1 (сервер портов %2): %3</translation>
    </message>
</context>
<context>
    <name>ResultOutput</name>
    <message>
        <source>PORT</source>
        <translation>ПОРТ</translation>
    </message>
    <message>
        <source>DEVICE PATH</source>
        <translation>ПУТЬ К УСТРОЙСТВУ</translation>
    </message>
    <message>
        <source>SERIAL</source>
        <translation>СЕРИЙНЫЙ НОМЕР</translation>
    </message>
    <message>
        <source>DESCRIPTION</source>
        <translation>ОПИСАНИЕ</translation>
    </message>
    <message>
        <source>FIRMWARE</source>
        <translation>ПРОШИВКА</translation>
    </message>
    <message>
        <source>STATUS</source>
        <translation>СОСТОЯНИЕ</translation>
    </message>
    <message>
        <source>%1 serial %2: </source>
        <translation>%1 серийный номер %2: </translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>неизвестен</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>прервано</translation>
    </message>
    <message>
        <source>failed: %1. %2</source>
        <translation>ошибка: %1. %2</translation>
    </message>
    <message>
        <source>ok %1</source>
        <translation>готово %1</translation>
    </message>
    <message>
        <source>%1 %2: ready for %3 (dry run)</source>
        <translation>%1 %2: готов к заданию %3 (пробный запуск)</translation>
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
<context>
    <name>main</name>
    <message>
        <source>can&apos;t use the folder %1</source>
        <translation>не удаётся использовать папку %1</translation>
    </message>
</context>
</TS>
