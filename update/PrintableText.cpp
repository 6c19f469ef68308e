#include "PrintableText.h"

#include <algorithm>

namespace {

constexpr char16_t LineSeparator = 0x2028;
constexpr char16_t ParagraphSeparator = 0x2029;

bool needsEscape(QChar c)
{
    return c.category() == QChar::Other_Control || c.unicode() == LineSeparator
        || c.unicode() == ParagraphSeparator;
}

} // namespace

QString PrintableText::escaped(const QString &text)
{
    if (std::none_of(text.cbegin(), text.cend(), needsEscape))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (!needsEscape(c)) {
            out += c;
            continue;
        }
        const bool byte = c.unicode() <= 0xFF;
        out += (byte ? QLatin1String("\\x") : QLatin1String("\\u"))
            + QString::number(c.unicode(), 16)
                  .rightJustified(byte ? 2 : 4, QLatin1Char('0'))
                  .toUpper();
    }
    return out;
}
