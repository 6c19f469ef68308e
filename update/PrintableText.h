#ifndef PRINTABLETEXT_H
#define PRINTABLETEXT_H

#include <QString>

// Texts from outside (a device's reply, a file name, a process name) on their way into a line of
// a file or a terminal: a control character in them could start a line of its own, split a
// field, or send the terminal a command.
namespace PrintableText {

// Control characters (C0, DEL, C1) and the Unicode line and paragraph separators written as
// "\xHH" or "\uHHHH"; everything else as it is.
QString escaped(const QString &text);

} // namespace PrintableText

#endif // PRINTABLETEXT_H
