#include "TerminalSize.h"

#include <io.h>
#include <windows.h>

namespace {

HANDLE consoleOf(std::FILE *stream)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
}

} // namespace

// isatty() also says yes for NUL. A console that can't take the cursor moves (before
// Windows 10) counts as none: the plain lines are shown there instead.
bool TerminalSize::isTerminal(std::FILE *stream)
{
    const HANDLE console = consoleOf(stream);
    DWORD mode = 0;
    return ::GetConsoleMode(console, &mode)
        && ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

TerminalSize TerminalSize::of(std::FILE *stream)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!::GetConsoleScreenBufferInfo(consoleOf(stream), &info))
        return {};
    return {info.srWindow.Bottom - info.srWindow.Top + 1,
            info.srWindow.Right - info.srWindow.Left + 1};
}
