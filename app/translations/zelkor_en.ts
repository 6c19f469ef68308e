<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
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
        <translation>  --settings FILE     settings file with the [Ports] map (default settings.ini)
  --user-config       use the window&apos;s folder for settings.ini and the job log:
                      $XDG_CONFIG_HOME/zelkor, normally ~/.config/zelkor
  --language NAME     en or ru; by default the user&apos;s, English where it is neither
  -v, --verbose       the program log&apos;s lines on standard error
  -q, --quiet         no progress, only results and errors
  -h, --help          help; after a command, that command&apos;s help
  -V, --version       the version
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
        <translation>Usage: zelkor-cli [options] COMMAND [options] [PORT...]
Updates and calibrates measuring devices on serial ports without the window.

Commands:
  list        list the devices found by one scan
  update      write a firmware file into devices, optionally calibrating them after
  calibrate   calibrate devices against an external supply voltage

&apos;zelkor-cli COMMAND --help&apos; tells more about each. Results go to standard output,
progress and messages to standard error.

Options:
</translation>
    </message>
    <message>
        <source>
Exit status: 0 every job succeeded, 1 a job failed, 2 usage error, bad firmware file
or unknown port, 3 a port can&apos;t be opened, 130 interrupted.
</source>
        <translation>
Exit status: 0 every job succeeded, 1 a job failed, 2 usage error, bad firmware file
or unknown port, 3 a port can&apos;t be opened, 130 interrupted.
</translation>
    </message>
    <message>
        <source>Usage: zelkor-cli list [--json] [options]
Lists the devices that one scan of every port finds: a header row, then port, device
path, serial number, description, firmware version and status, separated by tabs.

  --json              print JSON instead: every device, and every port that could not
                      be asked, with locale-free values
</source>
        <translation>Usage: zelkor-cli list [--json] [options]
Lists the devices that one scan of every port finds: a header row, then port, device
path, serial number, description, firmware version and status, separated by tabs.

  --json              print JSON instead: every device, and every port that could not
                      be asked, with locale-free values
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
        <translation>Usage: zelkor-cli update --file FILE [--calibrate VOLTS] [options] PORT...
Writes the firmware file into the device on each PORT, all at once, and checks that it
runs. PORT is COM5, \\.\COM5 (any case) or a device path.

  --file FILE         the firmware file (.cod)
  --calibrate VOLTS   calibrate after the update, at this external voltage (3 to 40)
  --retries N         repeats while the device still asks for firmware (default 3)
  --job-log FILE      job log to append to (default zelkor-jobs.csv)
  --dry-run           check the ports and the file, touch no device
  --json              print the results as JSON
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
        <translation>Usage: zelkor-cli calibrate --voltage VOLTS [options] PORT...
Calibrates the device on each PORT against the external supply voltage, all at once.
PORT is COM5, \\.\COM5 (any case) or a device path.

  --voltage VOLTS     the external supply voltage, 3 to 40
  --job-log FILE      job log to append to (default zelkor-jobs.csv)
  --dry-run           check the ports, touch no device
  --json              print the results as JSON
</translation>
    </message>
    <message>
        <source>
Common options:
</source>
        <translation>
Common options:
</translation>
    </message>
    <message>
        <source>Try &apos;zelkor-cli --help&apos;.</source>
        <translation>Try &apos;zelkor-cli --help&apos;.</translation>
    </message>
    <message>
        <source>%1 is not a number; write %2</source>
        <translation>%1 is not a number; write %2</translation>
    </message>
    <message>
        <source>%1 is not a number</source>
        <translation>%1 is not a number</translation>
    </message>
    <message>
        <source>&apos;update&apos; needs --file FILE</source>
        <translation>&apos;update&apos; needs --file FILE</translation>
    </message>
    <message>
        <source>--retries takes a whole number from 0 up</source>
        <translation>--retries takes a whole number from 0 up</translation>
    </message>
    <message>
        <source>&apos;calibrate&apos; needs --voltage VOLTS</source>
        <translation>&apos;calibrate&apos; needs --voltage VOLTS</translation>
    </message>
    <message>
        <source>the voltage must lie between %1 and %2 V</source>
        <translation>the voltage must lie between %1 and %2 V</translation>
    </message>
    <message>
        <source>--language takes %1</source>
        <translation>--language takes %1</translation>
    </message>
    <message>
        <source> or </source>
        <translation> or </translation>
    </message>
    <message>
        <source>expected a command: list, update or calibrate</source>
        <translation>expected a command: list, update or calibrate</translation>
    </message>
    <message>
        <source>--%1 does not belong to &apos;%2&apos;</source>
        <translation>--%1 does not belong to &apos;%2&apos;</translation>
    </message>
    <message>
        <source>&apos;list&apos; takes no ports</source>
        <translation>&apos;list&apos; takes no ports</translation>
    </message>
    <message>
        <source>no PORT given</source>
        <translation>no PORT given</translation>
    </message>
</context>
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
    <name>JobBatches</name>
    <message numerus="yes">
        <source>%n updated</source>
        <translation>
            <numerusform>%n updated</numerusform>
            <numerusform>%n updated</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n calibrated</source>
        <translation>
            <numerusform>%n calibrated</numerusform>
            <numerusform>%n calibrated</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n updated and calibrated</source>
        <translation>
            <numerusform>%n updated and calibrated</numerusform>
            <numerusform>%n updated and calibrated</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n failed</source>
        <translation>
            <numerusform>%n failed</numerusform>
            <numerusform>%n failed</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n not started</source>
        <translation>
            <numerusform>%n not started</numerusform>
            <numerusform>%n not started</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>JobCommand</name>
    <message>
        <source>%1 is named twice</source>
        <translation>%1 is named twice</translation>
    </message>
    <message>
        <source>%1 is named twice: as %2 and %3</source>
        <translation>%1 is named twice: as %2 and %3</translation>
    </message>
</context>
<context>
    <name>JobHistoryModel</name>
    <message>
        <source>Not started</source>
        <translation>Not started</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>Firmware before</source>
        <translation>Firmware before</translation>
    </message>
    <message>
        <source>Firmware after</source>
        <translation>Firmware after</translation>
    </message>
    <message>
        <source>Job</source>
        <translation>Job</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Reason and what to do</source>
        <translation>Reason and what to do</translation>
    </message>
    <message>
        <source>Serial after</source>
        <translation>Serial after</translation>
    </message>
</context>
<context>
    <name>JobHistoryPanel</name>
    <message>
        <source>Job history</source>
        <translation>Job history</translation>
    </message>
    <message>
        <source>The jobs of this session, newest first, with their result and what to do next</source>
        <translation>The jobs of this session, newest first, with their result and what to do next</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Copies the selected jobs, or all of them, as CSV to the clipboard</source>
        <translation>Copies the selected jobs, or all of them, as CSV to the clipboard</translation>
    </message>
    <message>
        <source>&amp;Save as CSV…</source>
        <translation>&amp;Save as CSV…</translation>
    </message>
    <message>
        <source>Saves the job history in a CSV file</source>
        <translation>Saves the job history in a CSV file</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Empties the job history and removes the marks of past jobs from the device list</source>
        <translation>Empties the job history and removes the marks of past jobs from the device list</translation>
    </message>
    <message>
        <source>Save job history</source>
        <translation>Save job history</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Job history saved in %1</source>
        <translation>Job history saved in %1</translation>
    </message>
    <message>
        <source>%1 not saved: %2</source>
        <translation>%1 not saved: %2</translation>
    </message>
</context>
<context>
    <name>JobOutcome</name>
    <message>
        <source>Update</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Update and calibration</source>
        <translation>Update and calibration</translation>
    </message>
    <message>
        <source>%1: %2%</source>
        <translation>%1: %2%</translation>
    </message>
    <message>
        <source>Updated</source>
        <translation>Updated</translation>
    </message>
    <message>
        <source>Calibrated</source>
        <translation>Calibrated</translation>
    </message>
    <message>
        <source>Updated and calibrated</source>
        <translation>Updated and calibrated</translation>
    </message>
    <message>
        <source>Calibration failed: %1</source>
        <translation>Calibration failed: %1</translation>
    </message>
    <message>
        <source>Update failed: %1</source>
        <translation>Update failed: %1</translation>
    </message>
    <message>
        <source>updated at %1</source>
        <translation>updated at %1</translation>
    </message>
    <message>
        <source>updated to %1 at %2</source>
        <translation>updated to %1 at %2</translation>
    </message>
    <message>
        <source>updated and calibrated at %1</source>
        <translation>updated and calibrated at %1</translation>
    </message>
    <message>
        <source>updated to %1 and calibrated at %2</source>
        <translation>updated to %1 and calibrated at %2</translation>
    </message>
    <message>
        <source>calibrated at %1</source>
        <translation>calibrated at %1</translation>
    </message>
</context>
<context>
    <name>JobRunner</name>
    <message>
        <source>Error. Trying to update again</source>
        <translation>Error. Trying to update again</translation>
    </message>
</context>
<context>
    <name>ListCommand</name>
    <message numerus="yes">
        <source>no device answered on %n port(s)</source>
        <translation>
            <numerusform>no device answered on %n port</numerusform>
            <numerusform>no device answered on %n ports</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PlainReason</name>
    <message>
        <source>The port could not be opened. Check that the device is plugged in and that no other program uses the port, then try again.</source>
        <translation>The port could not be opened. Check that the device is plugged in and that no other program uses the port, then try again.</translation>
    </message>
    <message>
        <source>The firmware file could not be opened. Choose a firmware file that exists and that you may read.</source>
        <translation>The firmware file could not be opened. Choose a firmware file that exists and that you may read.</translation>
    </message>
    <message>
        <source>The firmware file is not a firmware image. Nothing was sent to the device; choose the right file.</source>
        <translation>The firmware file is not a firmware image. Nothing was sent to the device; choose the right file.</translation>
    </message>
    <message>
        <source>The device did not restart into its loader, so nothing was written. Reconnect the device and try again.</source>
        <translation>The device did not restart into its loader, so nothing was written. Reconnect the device and try again.</translation>
    </message>
    <message>
        <source>The loader did not answer. Reconnect the device and try again.</source>
        <translation>The loader did not answer. Reconnect the device and try again.</translation>
    </message>
    <message>
        <source>The loader did not confirm the end of the firmware, so the device may have no working firmware now. Reconnect the device and update it again.</source>
        <translation>The loader did not confirm the end of the firmware, so the device may have no working firmware now. Reconnect the device and update it again.</translation>
    </message>
    <message>
        <source>The loader refused a section of the firmware, so the device may have no working firmware now. Check that the file is meant for this device, then update it again.</source>
        <translation>The loader refused a section of the firmware, so the device may have no working firmware now. Check that the file is meant for this device, then update it again.</translation>
    </message>
    <message>
        <source>The loader did not take a line of the firmware, so the device may have no working firmware now. Reconnect the device and update it again.</source>
        <translation>The loader did not take a line of the firmware, so the device may have no working firmware now. Reconnect the device and update it again.</translation>
    </message>
    <message>
        <source>The firmware was written several times, yet the device still asks for firmware. Check that the file is meant for this device.</source>
        <translation>The firmware was written several times, yet the device still asks for firmware. Check that the file is meant for this device.</translation>
    </message>
    <message>
        <source>After the update the device no longer answers. Unplug it and plug it in again; if it then asks for firmware, update it again.</source>
        <translation>After the update the device no longer answers. Unplug it and plug it in again; if it then asks for firmware, update it again.</translation>
    </message>
    <message>
        <source>The job was stopped before its end because the program was closed or interrupted. Run it again; a device whose update was cut short has no working firmware until then.</source>
        <translation>The job was stopped before its end because the program was closed or interrupted. Run it again; a device whose update was cut short has no working firmware until then.</translation>
    </message>
    <message>
        <source>The device did not take the new calibration values and keeps its old calibration. Reconnect the device and calibrate it again.</source>
        <translation>The device did not take the new calibration values and keeps its old calibration. Reconnect the device and calibrate it again.</translation>
    </message>
    <message>
        <source>The device did not confirm that it stored the new calibration. Calibrate it again.</source>
        <translation>The device did not confirm that it stored the new calibration. Calibrate it again.</translation>
    </message>
    <message>
        <source>The device did not say which model it is, so it was not calibrated. Reconnect the device and try again.</source>
        <translation>The device did not say which model it is, so it was not calibrated. Reconnect the device and try again.</translation>
    </message>
    <message>
        <source>The device did not enter its calibration mode, so it was not calibrated. Reconnect the device and try again.</source>
        <translation>The device did not enter its calibration mode, so it was not calibrated. Reconnect the device and try again.</translation>
    </message>
    <message>
        <source>The device&apos;s measurements could not be read, or do not fit the voltage set under External power. Check the external supply and the voltage, then calibrate again.</source>
        <translation>The device&apos;s measurements could not be read, or do not fit the voltage set under External power. Check the external supply and the voltage, then calibrate again.</translation>
    </message>
    <message>
        <source>The device stored its calibration but did not restart. Unplug it and plug it in again.</source>
        <translation>The device stored its calibration but did not restart. Unplug it and plug it in again.</translation>
    </message>
    <message>
        <source>The device measures no external supply. Connect the supply at the voltage set under External power and calibrate again.</source>
        <translation>The device measures no external supply. Connect the supply at the voltage set under External power and calibrate again.</translation>
    </message>
    <message>
        <source>The device did not report its firmware version, so it was not calibrated. A device without firmware must be updated first; otherwise reconnect it and try again.</source>
        <translation>The device did not report its firmware version, so it was not calibrated. A device without firmware must be updated first; otherwise reconnect it and try again.</translation>
    </message>
    <message>
        <source>The port refused its time-out settings. Reconnect the device and try again.</source>
        <translation>The port refused its time-out settings. Reconnect the device and try again.</translation>
    </message>
    <message>
        <source>Nothing was sent to the device; choose the right firmware file.</source>
        <translation>Nothing was sent to the device; choose the right firmware file.</translation>
    </message>
    <message>
        <source>The firmware file %1 is larger than any firmware image (16 MiB).</source>
        <translation>The firmware file %1 is larger than any firmware image (16 MiB).</translation>
    </message>
    <message>
        <source>The firmware file %1 changed while it was read. Wait until it is copied in full, then try again.</source>
        <translation>The firmware file %1 changed while it was read. Wait until it is copied in full, then try again.</translation>
    </message>
    <message>
        <source>The firmware file %1 has %2 lines; a firmware file has at least 10.</source>
        <translation>The firmware file %1 has %2 lines; a firmware file has at least 10.</translation>
    </message>
    <message>
        <source>Line 1 of the firmware file %1 is no address line (one that begins with &quot;@&quot;).</source>
        <translation>Line 1 of the firmware file %1 is no address line (one that begins with &quot;@&quot;).</translation>
    </message>
    <message>
        <source>The address on line %2 of the firmware file %1 is shorter than 8 characters.</source>
        <translation>The address on line %2 of the firmware file %1 is shorter than 8 characters.</translation>
    </message>
    <message>
        <source>The firmware file %1 has no end line (&quot;q&quot;): it may have been cut short.</source>
        <translation>The firmware file %1 has no end line (&quot;q&quot;): it may have been cut short.</translation>
    </message>
    <message>
        <source>Line %2 of the firmware file %1 follows its end line (&quot;q&quot;), where only blank lines may be.</source>
        <translation>Line %2 of the firmware file %1 follows its end line (&quot;q&quot;), where only blank lines may be.</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>it does not exist</translation>
    </message>
    <message>
        <source>you may not read it</source>
        <translation>you may not read it</translation>
    </message>
    <message>
        <source>it is no regular file</source>
        <translation>it is no regular file</translation>
    </message>
    <message>
        <source>The firmware file %1 could not be opened: %2. Choose a firmware file that exists and that you may read.</source>
        <translation>The firmware file %1 could not be opened: %2. Choose a firmware file that exists and that you may read.</translation>
    </message>
</context>
<context>
    <name>PortResolver</name>
    <message>
        <source>%1 is not of the form rfc2217://HOST:PORT</source>
        <translation>%1 is not of the form rfc2217://HOST:PORT</translation>
    </message>
    <message>
        <source>unknown port %1</source>
        <translation>unknown port %1</translation>
    </message>
    <message>
        <source>unknown port %1: no %2</source>
        <translation>unknown port %1: no %2</translation>
    </message>
    <message>
        <source>no free port name left for %1</source>
        <translation>no free port name left for %1</translation>
    </message>
</context>
<context>
    <name>ProgressOutput</name>
    <message>
        <source>update</source>
        <translation>update</translation>
    </message>
    <message>
        <source>calibrate</source>
        <translation>calibrate</translation>
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
    <message>
        <source>In use by another client</source>
        <translation>In use by another client</translation>
    </message>
    <message>
        <source>Unknown host</source>
        <translation>Unknown host</translation>
    </message>
    <message>
        <source>Device server unreachable</source>
        <translation>Device server unreachable</translation>
    </message>
    <message>
        <source>No RFC 2217 on the server</source>
        <translation>No RFC 2217 on the server</translation>
    </message>
    <message>
        <source>%1: another client of the device server %2 holds the port (%3). Close that connection to use the port here.</source>
        <translation>%1: another client of the device server %2 holds the port (%3). Close that connection to use the port here.</translation>
    </message>
    <message>
        <source>%1: the name of the device server %2 cannot be resolved (%3).</source>
        <translation>%1: the name of the device server %2 cannot be resolved (%3).</translation>
    </message>
    <message>
        <source>%1: no connection to the device server %2 (%3). Check that it is on, can be reached from here and serves this port.</source>
        <translation>%1: no connection to the device server %2 (%3). Check that it is on, can be reached from here and serves this port.</translation>
    </message>
    <message>
        <source>%1: the device server %2 takes no line settings (%3). Serve the port with RFC 2217 there (ser2net: telnet(rfc2217) in the accepter).</source>
        <translation>%1: the device server %2 takes no line settings (%3). Serve the port with RFC 2217 there (ser2net: telnet(rfc2217) in the accepter).</translation>
    </message>
    <message>
        <source>%1 (device server %2): %3</source>
        <translation>%1 (device server %2): %3</translation>
    </message>
</context>
<context>
    <name>ResultOutput</name>
    <message>
        <source>PORT</source>
        <translation>PORT</translation>
    </message>
    <message>
        <source>DEVICE PATH</source>
        <translation>DEVICE PATH</translation>
    </message>
    <message>
        <source>SERIAL</source>
        <translation>SERIAL</translation>
    </message>
    <message>
        <source>DESCRIPTION</source>
        <translation>DESCRIPTION</translation>
    </message>
    <message>
        <source>FIRMWARE</source>
        <translation>FIRMWARE</translation>
    </message>
    <message>
        <source>STATUS</source>
        <translation>STATUS</translation>
    </message>
    <message>
        <source>%1 serial %2: </source>
        <translation>%1 serial %2: </translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>interrupted</translation>
    </message>
    <message>
        <source>failed: %1. %2</source>
        <translation>failed: %1. %2</translation>
    </message>
    <message>
        <source>ok %1</source>
        <translation>ok %1</translation>
    </message>
    <message>
        <source>%1 %2: ready for %3 (dry run)</source>
        <translation>%1 %2: ready for %3 (dry run)</translation>
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
    <message>
        <source>Job history</source>
        <translation>Job history</translation>
    </message>
    <message>
        <source>Firmware file not found: %1</source>
        <translation>Firmware file not found: %1</translation>
    </message>
    <message>
        <source>%1: not started: %2</source>
        <translation>%1: not started: %2</translation>
    </message>
    <message>
        <source>%1 Then start the job again.</source>
        <translation>%1 Then start the job again.</translation>
    </message>
    <message>
        <source>Update: the device still asks for firmware; it is written once more</source>
        <translation>Update: the device still asks for firmware; it is written once more</translation>
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
        <source> V</source>
        <translation> V</translation>
    </message>
    <message>
        <source>Detected devices</source>
        <translation>Detected devices</translation>
    </message>
    <message>
        <source>Every device found on the serial ports; select the devices a job is for</source>
        <translation>Every device found on the serial ports; select the devices a job is for</translation>
    </message>
    <message>
        <source>Device path</source>
        <translation>Device path</translation>
    </message>
    <message>
        <source>Firmware file</source>
        <translation>Firmware file</translation>
    </message>
    <message>
        <source>The firmware file (*.cod) that Update firmware writes into the selected devices</source>
        <translation>The firmware file (*.cod) that Update firmware writes into the selected devices</translation>
    </message>
    <message>
        <source>Chooses the firmware file in a dialog</source>
        <translation>Chooses the firmware file in a dialog</translation>
    </message>
    <message>
        <source>&amp;Browse…</source>
        <translation>&amp;Browse…</translation>
    </message>
    <message>
        <source>&amp;Update firmware</source>
        <translation>&amp;Update firmware</translation>
    </message>
    <message>
        <source>Writes the firmware file into every selected device</source>
        <translation>Writes the firmware file into every selected device</translation>
    </message>
    <message>
        <source>Calibrates each device right after its update</source>
        <translation>Calibrates each device right after its update</translation>
    </message>
    <message>
        <source>&amp;Calibrate</source>
        <translation>&amp;Calibrate</translation>
    </message>
    <message>
        <source>Calibrates every selected device against the external supply</source>
        <translation>Calibrates every selected device against the external supply</translation>
    </message>
    <message>
        <source>External power voltage</source>
        <translation>External power voltage</translation>
    </message>
    <message>
        <source>The voltage of the external supply that the devices are calibrated against, 3 to 40 V</source>
        <translation>The voltage of the external supply that the devices are calibrated against, 3 to 40 V</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>can&apos;t use the folder %1</source>
        <translation>can&apos;t use the folder %1</translation>
    </message>
</context>
</TS>
