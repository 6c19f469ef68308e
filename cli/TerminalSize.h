#ifndef TERMINALSIZE_H
#define TERMINALSIZE_H

#include <cstdio>

// The size of the terminal a stream writes to, for progress drawn in place with cursor moves.
struct TerminalSize
{
    int rows = 0;
    int columns = 0;

    // Whether the stream is a terminal that takes the cursor moves.
    static bool isTerminal(std::FILE *stream);
    // Zero when the stream is no terminal or the terminal does not tell.
    static TerminalSize of(std::FILE *stream);
};

#endif // TERMINALSIZE_H
