#ifndef LISTCOMMAND_H
#define LISTCOMMAND_H

class CliOptions;

// "zelkor-cli list": one scan pass, the devices it found on standard output, the ports it
// could not open on standard error; exit code 3 when there are such ports, since the list
// lacks what they hold.
namespace ListCommand {
int run(const CliOptions &options);
}

#endif // LISTCOMMAND_H
