#include "TerminalSize.h"

#include <sys/ioctl.h>
#include <unistd.h>

bool TerminalSize::isTerminal(std::FILE *stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

TerminalSize TerminalSize::of(std::FILE *stream)
{
    winsize size = {};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0)
        return {};
    return {size.ws_row, size.ws_col};
}
