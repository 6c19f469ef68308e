#ifndef ROWHISTORY_H
#define ROWHISTORY_H

#include "RowState.h"

#include <QHash>
#include <QObject>
#include <QStatusBar>
#include <QTreeWidget>

#include <chrono>
#include <optional>

// Everything the window showed while it lived: each row's states and Status texts, in the
// order it set them, and the status bar's messages. A job's "Error. Trying to update again"
// or a failure message may stand for a moment only; polling the widgets would miss it.
class RowHistory : public QObject
{
public:
    using Clock = std::chrono::steady_clock;

    struct Shown
    {
        Clock::time_point at;
        int state = 0;
        QString status;
    };

    RowHistory(QTreeWidget *tree, QStatusBar *bar)
    {
        connect(tree->model(), &QAbstractItemModel::dataChanged, this,
                [this, tree](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                    for (int r = topLeft.row(); r <= bottomRight.row(); ++r)
                        note(tree->topLevelItem(r));
                });
        connect(bar, &QStatusBar::messageChanged, this, [this](const QString &message) {
            if (!message.isEmpty())
                statusBarMessages.append(message);
        });
    }

    QList<Shown> of(const QString &location) const { return rows.value(location); }

    QStringList statuses(const QString &location) const
    {
        QStringList texts;
        for (const Shown &shown : of(location)) {
            if (texts.isEmpty() || texts.last() != shown.status)
                texts.append(shown.status);
        }
        return texts;
    }

    QList<int> states(const QString &location) const
    {
        QList<int> values;
        for (const Shown &shown : of(location)) {
            if (values.isEmpty() || values.last() != shown.state)
                values.append(shown.state);
        }
        return values;
    }

    // When the row first showed this state.
    std::optional<Clock::time_point> firstAt(const QString &location, int state) const
    {
        for (const Shown &shown : of(location)) {
            if (shown.state == state)
                return shown.at;
        }
        return std::nullopt;
    }

    QStringList messages() const { return statusBarMessages; }

private:
    void note(const QTreeWidgetItem *item)
    {
        if (!item)
            return;
        const Shown shown {Clock::now(), item->data(0, RowStateRole).toInt(), item->text(4)};
        QList<Shown> &shownSoFar = rows[item->text(0)];
        if (shownSoFar.isEmpty() || shownSoFar.last().state != shown.state
            || shownSoFar.last().status != shown.status)
            shownSoFar.append(shown);
    }

    QHash<QString, QList<Shown>> rows;
    QStringList statusBarMessages;
};

#endif // ROWHISTORY_H
