#ifndef EXITCODE_H
#define EXITCODE_H

// What zelkor-cli tells the script that runs it.
enum ExitCode : int {
    ExitSuccess = 0,
    // At least one job failed.
    ExitJobFailed = 1,
    // Bad arguments, a missing or invalid firmware file, an unknown port: nothing was touched.
    ExitUsage = 2,
    // A port could not be opened or is held by another program.
    ExitPortUnavailable = 3,
    // Stopped by SIGINT, SIGTERM, SIGHUP or SIGQUIT, or by a closed output, as a shell reports
    // a child killed by SIGINT.
    ExitInterrupted = 130,
};

#endif // EXITCODE_H
