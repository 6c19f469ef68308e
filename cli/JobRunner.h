#ifndef JOBRUNNER_H
#define JOBRUNNER_H

#include "JobLog.h"
#include "JobOrder.h"
#include "JobRecord.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <cstdio>
#include <memory>

class ProgressOutput;

// Runs one job per port, all at once, until every one has ended and has its row in the job
// log. SIGINT, SIGTERM, SIGHUP, SIGQUIT or a closed output (SIGPIPE) stops them all after the
// exchanges in progress.
class JobRunner : public QObject
{
    Q_OBJECT

public:
    // progressStream: none for no progress.
    JobRunner(const JobOrder &order, const QStringList &ports, const JobLog &log,
              std::FILE *progressStream);
    ~JobRunner() override;

    // The records in the order of the ports.
    QList<JobRecord> run();
    bool interrupted() const { return stopped; }

private:
    const JobOrder order;
    const QStringList ports;
    const JobLog log;
    std::unique_ptr<ProgressOutput> progress;
    bool stopped = false;
};

#endif // JOBRUNNER_H
