#ifndef DEVICEINFO_H
#define DEVICEINFO_H

// What a device says about itself in its "geti" reply: three zero-terminated texts.
struct DeviceInfo
{
    char type[5] = {};
    char model[3] = {};
    char description[9] = {};
};

#endif // DEVICEINFO_H
