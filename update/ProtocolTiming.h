#ifndef PROTOCOLTIMING_H
#define PROTOCOLTIMING_H

#include "LinkTimeouts.h"

class ComPort;

// Every pause and wait of the loader and calibration dialogues, in one place.
//
// Waits are measured with a monotonic clock; the CPU-time clock barely moves while a thread
// sleeps and would stretch the waits without bound. Tests may shorten the pauses and ticks,
// and separately the link time-outs, each by one process-wide factor, so that a suite of many
// jobs stays fast.
class ProtocolTiming
{
public:
    // After the loader reset frame has been written.
    static constexpr int loaderResetPauseMs = 100;
    // After the loader has accepted a section address.
    static constexpr int sectionPauseMs = 500;
    // Between the last firmware line and the reset that starts the new firmware.
    static constexpr int restartPauseMs = 500;
    // After the device has entered calibration mode.
    static constexpr int calibrationModePauseMs = 100;
    // Before the old calibration block goes out once "scal" was refused.
    static constexpr int oldCalibrationPauseMs = 600;

    // A tick lasts at least tickMs; the clock is polled every tickPollMs.
    static constexpr int tickMs = 500;
    static constexpr int tickPollMs = 100;
    // Ticks shown while the device boots its new firmware, and after a calibration.
    static constexpr int restartTicks = 15;
    static constexpr int calibrationTicks = 10;

    // Both waits end early once the calling thread has been asked to stop
    // (QThread::requestInterruption): its job is being abandoned, and the device's time to
    // settle no longer matters.
    // Sleeps the calling thread for ms milliseconds (scaled).
    static void pause(int ms);
    // Waits one tick: at least tickMs (scaled) of elapsed time.
    static void tickWait();

    // Gives the link the time-outs (scaled).
    static void applyTimeouts(ComPort &link, const LinkTimeouts &timeouts);

    // Multiply every pause and tick, or every link time-out, by factor (1.0 = full length).
    // For tests only.
    static void setScale(double factor);
    // Then the ticks alone, so that short pauses can run at a length the line's own delays
    // don't blur while the long tick waits stay quick. For tests only.
    static void setTickScale(double factor);
    static void setTimeoutScale(double factor);

private:
    static void waitFor(int length);
    static int scaled(int ms);
    static unsigned scaledTimeout(unsigned ms);
};

#endif // PROTOCOLTIMING_H
