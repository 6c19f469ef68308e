#ifndef DEVICESTATE_H
#define DEVICESTATE_H

#include "DeviceProfile.h"
#include "LoaderImage.h"

#include <QByteArray>

#include <chrono>
#include <optional>

// What a simulated device holds at one moment; tests read a copy of it.
struct DeviceState
{
    DeviceMode mode = DeviceMode::Firmware;

    // Installed firmware: its version, and whether it is complete (an interrupted update
    // leaves none).
    FirmwareVersion firmware;
    bool firmwareIntact = true;

    // Loader.
    bool loaderConnected = false;
    bool imageComplete = false; // DISCONNECT accepted since the last CONNECT
    LoaderImage image;
    int resets = 0; // RESET frames that took effect
    // Until then the device restarts after a reset and hears nothing.
    std::chrono::steady_clock::time_point restartingUntil {};
    // When the loader boots the installed firmware by itself.
    std::optional<std::chrono::steady_clock::time_point> bootAt;

    // Calibration.
    bool initialised = false; // "init" received
    bool calibrating = false; // "calb" echoed
    QByteArray calibration; // last block stored with "scal" (80 bytes)
    QByteArray oldCalibration; // last block stored with "s002" (24 bytes)
    bool saved = false; // "save" came after the last stored block

    // A reset into the loader; it boots intact firmware by itself after bootDelayMs without a
    // request (0: never).
    void enterLoader(std::chrono::steady_clock::time_point now, int bootDelayMs);
    void bootFirmware();
};

#endif // DEVICESTATE_H
