#include "StatusIcons.h"

#include <iterator>

namespace {

// The drawings' names in app/icons/status; scripts/icons renders each at these sizes.
const char *const Names[] = {"ready", "loader", "isp", "busy", "done", "failed", "refused"};
const int Sizes[] = {16, 32, 48};

QIcon load(const char *name)
{
    QIcon icon;
    for (int size : Sizes)
        icon.addFile(QStringLiteral(":/Zelkor/icons/status/%1-%2.png")
                         .arg(QLatin1String(name))
                         .arg(size),
                     QSize(size, size));
    return icon;
}

} // namespace

QIcon StatusIcons::icon(Kind kind)
{
    static_assert(std::size(Names) == Refused + 1, "a drawing for every kind");
    static const QIcon icons[] = {load(Names[Ready]),  load(Names[Loader]), load(Names[Isp]),
                                  load(Names[Busy]),   load(Names[Done]),   load(Names[Failed]),
                                  load(Names[Refused])};
    return icons[kind];
}
