#include "TextContrast.h"

#include <QPalette>

#include <cmath>

namespace {

constexpr int BlendSteps = 20;

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &colour)
{
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF())
        + 0.0722 * linear(colour.blueF());
}

QColor blend(const QColor &from, const QColor &to, double share)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * share),
                            float(from.greenF() + (to.greenF() - from.greenF()) * share),
                            float(from.blueF() + (to.blueF() - from.blueF()) * share));
}

} // namespace

double TextContrast::ratio(const QColor &first, const QColor &second)
{
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor TextContrast::dimmedText(const QPalette &palette, double minimum)
{
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const QColor dimmed = palette.color(QPalette::Disabled, QPalette::Text);
    const QColor normal = palette.color(QPalette::Active, QPalette::Text);
    for (int step = 0; step < BlendSteps; ++step) {
        const QColor candidate = blend(dimmed, normal, double(step) / BlendSteps);
        if (ratio(candidate, base) >= minimum)
            return candidate;
    }
    return normal;
}
