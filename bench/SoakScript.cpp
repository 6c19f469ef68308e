#include "SoakScript.h"

#include "JobWatch.h"

#include <QCheckBox>
#include <QElapsedTimer>

#include <algorithm>

namespace {

// Plugged back in this many steps after the plug was pulled.
constexpr int ReplugAfterBusySteps = 4;
constexpr int ReplugAfterIdleSteps = 2;
// A job that has not ended this long after the last one was started never will: an update
// with its repeats and a calibration after it, each exchange at its longest time-out.
constexpr int DrainLimitMs = 180000;
constexpr qint64 MinuteMs = 60000;

enum class Action { Update, Calibrate, UpdateThenCalibrate, UnplugBusy, UnplugIdle };

struct Step
{
    Action action;
    int rows; // for a job: how many rows get it
};

// One cycle of the script.
const Step Cycle[] = {
    {Action::Update, 3},     {Action::Calibrate, 2},
    {Action::UnplugBusy, 1}, {Action::UpdateThenCalibrate, 2},
    {Action::UnplugIdle, 1}, {Action::Calibrate, 2},
};

} // namespace

DeviceProfile SoakScript::profileOf(int port)
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.serialNumber = 200000 + port;
    profile.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    profile.pacing = true;
    return profile;
}

SoakScript::SoakScript(WindowBench::Bench &bench, Zelkor &window, const JobWatch &jobs)
    : bench(bench), window(window), tree(WindowBench::deviceList(window)), jobs(jobs)
{ }

void SoakScript::run(qint64 ms, const std::function<void(int minute)> &onMinute)
{
    QElapsedTimer clock;
    clock.start();
    qint64 nextMinute = MinuteMs;
    while (clock.elapsed() < ms) {
        step();
        QTest::qWait(StepMs);
        if (clock.elapsed() >= nextMinute) {
            if (onMinute)
                onMinute(int(nextMinute / MinuteMs));
            nextMinute += MinuteMs;
        }
    }
}

bool SoakScript::drain()
{
    while (!replugAt.empty())
        replug(replugAt.begin()->first);
    return QTest::qWaitFor([&] { return jobs.running() == 0; }, DrainLimitMs);
}

void SoakScript::forgetWireLogs()
{
    for (int port = 1; port <= Devices; ++port) {
        if (SimulatedDevice *device = bench.device(port))
            device->log().clear();
    }
}

void SoakScript::step()
{
    replugDue();
    const Step &next = Cycle[stepCount++ % std::size(Cycle)];
    switch (next.action) {
    case Action::Update:
    case Action::UpdateThenCalibrate:
        startJobs("updateBtn", next.action == Action::UpdateThenCalibrate, next.rows);
        break;
    case Action::Calibrate:
        startJobs("calbBtn", false, next.rows);
        break;
    case Action::UnplugBusy:
        unplug(busyPorts(), ReplugAfterBusySteps, unpluggedBusy);
        break;
    case Action::UnplugIdle:
        unplug(idlePorts(Devices), ReplugAfterIdleSteps, unpluggedIdle);
        break;
    }
}

// Ports whose job runs, taken in turn, those that are sending firmware to a loader first: there
// the plug cuts an exchange.
QList<int> SoakScript::busyPorts() const
{
    QList<int> ports = jobs.busyPorts();
    if (!ports.isEmpty())
        std::rotate(ports.begin(), ports.begin() + unpluggedBusy % ports.size(), ports.end());
    std::stable_partition(ports.begin(), ports.end(), [this](int port) {
        const SimulatedDevice *device = bench.device(port);
        return device && device->mode() == DeviceMode::Loader;
    });
    return ports;
}

// Up to count plugged devices whose rows may take a job, taken in turn from a cursor that goes
// round the ports.
QList<int> SoakScript::idlePorts(int count)
{
    QList<int> ports;
    for (int tried = 0; tried < Devices && ports.size() < count; ++tried) {
        const int port = cursor % Devices + 1;
        ++cursor;
        const QTreeWidgetItem *row = WindowBench::row(window, port);
        if (plugged(port) && row && !jobs.busy(port)
            && row->flags().testFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled))
            ports.append(port);
    }
    return ports;
}

void SoakScript::startJobs(const char *buttonName, bool calibrateAfter, int count)
{
    const QList<int> ports = idlePorts(count);
    if (ports.isEmpty())
        return;
    // Rows of earlier jobs may still call themselves selected.
    for (int index = 0; index < tree->topLevelItemCount(); ++index)
        tree->topLevelItem(index)->setSelected(false);
    tree->clearSelection();
    for (int port : ports)
        WindowBench::row(window, port)->setSelected(true);
    window.findChild<QCheckBox *>(QStringLiteral("calbAfterChk"))->setChecked(calibrateAfter);
    QPushButton *button = WindowBench::button(window, buttonName);
    ++commands;
    if (!button->isEnabled()) {
        ++refused;
        return;
    }
    button->click();
}

// The first candidate that is plugged in.
void SoakScript::unplug(const QList<int> &candidates, int afterSteps, int &counter)
{
    for (int port : candidates) {
        if (!plugged(port))
            continue;
        bench.remove(port);
        replugAt[port] = stepCount + afterSteps;
        ++counter;
        return;
    }
}

void SoakScript::replugDue()
{
    QList<int> due;
    for (const auto &[port, step] : replugAt) {
        if (step <= stepCount)
            due.append(port);
    }
    for (int port : due)
        replug(port);
}

void SoakScript::replug(int port)
{
    replugAt.erase(port);
    failed |= !bench.add(port, profileOf(port));
    ++replugged;
}
