#ifndef JOBBATCHES_H
#define JOBBATCHES_H

#include "JobKind.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

// The jobs started by one press of a job button, counted as they end, so that the window can
// sum each batch up once its last job is over: "14 updated, 2 failed".
class JobBatches
{
    Q_DECLARE_TR_FUNCTIONS(JobBatches)

public:
    // A batch of jobs on ports, and the selected rows that could take none. Answers the
    // summary at once when no job started.
    QString start(JobKind kind, const QStringList &ports, int notStarted);
    // The job on the port is over. Answers the summary of its batch when it was the last one
    // running, else nothing.
    QString ended(const QString &port, bool succeeded);

private:
    struct Batch
    {
        JobKind kind;
        QStringList running;
        int succeeded = 0;
        int failed = 0;
        int notStarted = 0;
    };

    static QString summary(const Batch &batch);

    QList<Batch> batches;
};

#endif // JOBBATCHES_H
