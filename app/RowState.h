#ifndef ROWSTATE_H
#define ROWSTATE_H

// What a row of the device list stands for, kept as item data of its column 0 so that the scan
// rebuild and the job slots agree on which rows the rebuild may touch. Set only through
// Zelkor::setRowState.
enum RowState {
    // A job's failure after which the device is still usable; its text survives rescans.
    RowWarned = -2,
    // A job's failure; the row stays while its port is listed.
    RowFailed = -1,
    // Plain scan data, rebuilt from every scan.
    RowScanned = 0,
    // A job runs on the device; neither selectable nor touched by scans.
    RowBusy = 1,
    // A job has finished; the next scan brings the row back with fresh data.
    RowDone = 2,
    // A port whose device exists but could not be opened; greyed out, never given a job, and
    // replaced by every scan, so that it goes once the port opens or disappears.
    RowRefused = 3,
};

// Columns of the device list.
enum DeviceListColumn {
    LocationColumn,
    SerialColumn,
    DescriptionColumn,
    FirmwareColumn,
    StatusColumn,
    // The device path or the device server's address that the port name stands for.
    DevicePathColumn,
    ColumnCount
};

// Item data roles of column 0. The rebuild reads the first two; it looks at the state only for
// RowFailed.
enum RowRole {
    // bool: the next accepted scan deletes the row (and re-creates it if the device answers).
    ReplaceOnScanRole = 1000,
    // bool: a re-created row shows this row's Status text instead of the scan's.
    KeepStatusRole = 1001,
    // int: the RowState number.
    RowStateRole = 1002,
    // int: the DeviceFields::Mode of the device, for its icon.
    ModeRole = 1003,
    // QString: what the Status text leaves out: a failure's message, a refusal's advice, the
    // phase of a running job.
    DetailRole = 1004,
    // QString and bool: the mark the row keeps of its last job, and whether that job succeeded.
    MarkRole = 1005,
    MarkSucceededRole = 1006,
};

#endif // ROWSTATE_H
