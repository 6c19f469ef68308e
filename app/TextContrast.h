#ifndef TEXTCONTRAST_H
#define TEXTCONTRAST_H

#include <QColor>

class QPalette;

// Text that stays readable: the contrast ratio of two colours (WCAG 2), and a dimmed text
// colour for rows that take no job which still reaches a readable ratio on the palette's base.
namespace TextContrast {

// The least ratio for normal text.
constexpr double Readable = 4.5;

// From 1 (the same luminance) to 21 (black on white), whichever colour is the lighter.
double ratio(const QColor &first, const QColor &second);
// The palette's disabled text colour, moved towards its normal text colour as far as needed to
// reach the ratio on the base; the normal text colour where even that falls short.
QColor dimmedText(const QPalette &palette, double minimum = Readable);

} // namespace TextContrast

#endif // TEXTCONTRAST_H
