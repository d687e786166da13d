#pragma once

#include <QList>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

// A window's work in the background, one piece at a time: a newer piece
// cancels the older, whose results are then dropped by their generation.
// Going away cancels and waits, so no result reaches a window that is gone.
class BackgroundWork
{
public:
    ~BackgroundWork();

    // Cancels what runs; answers the generation of the work to come.
    int restart();
    bool isCurrent(int generation) const { return generation == m_generation; }
    // Runs work on a low-priority thread with the flag restart() raises.
    void run(std::function<void(const std::atomic<bool> &cancel)> work);

private:
    int m_generation = 0;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    QList<QPointer<QThread>> m_workers;
};
