#include "VariantMasks.h"

#include <QMutexLocker>

namespace {
constexpr int AllVariants = -1;
} // namespace

int VariantMasks::working(const QString &port)
{
    QMutexLocker locker(&mutex);
    auto entry = masks.find(port);
    if (entry == masks.end())
        entry = masks.insert(port, AllVariants);
    return entry.value();
}

void VariantMasks::store(const QString &port, int mask)
{
    QMutexLocker locker(&mutex);
    masks.insert(port, mask);
}

void VariantMasks::forget(const QString &port)
{
    QMutexLocker locker(&mutex);
    masks.remove(port);
}
