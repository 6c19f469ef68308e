#include "DeviceState.h"

void DeviceState::enterLoader(std::chrono::steady_clock::time_point now, int bootDelayMs)
{
    mode = DeviceMode::Loader;
    loaderConnected = false;
    initialised = calibrating = false;
    bootAt.reset();
    if (firmwareIntact && bootDelayMs > 0)
        bootAt = now + std::chrono::milliseconds(bootDelayMs);
}

void DeviceState::bootFirmware()
{
    mode = DeviceMode::Firmware;
    loaderConnected = false;
    initialised = calibrating = false;
    bootAt.reset();
}
