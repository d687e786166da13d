#include "backgroundwork.h"

BackgroundWork::~BackgroundWork()
{
    if (m_cancel)
        m_cancel->store(true);
    for (const QPointer<QThread> &worker : std::as_const(m_workers)) {
        if (worker)
            worker->wait();
    }
}

int BackgroundWork::restart()
{
    if (m_cancel)
        m_cancel->store(true);
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    return ++m_generation;
}

void BackgroundWork::run(std::function<void(const std::atomic<bool> &cancel)> work)
{
    QThread *worker = QThread::create([work = std::move(work), cancel = m_cancel] { work(*cancel); });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    m_workers.removeAll(QPointer<QThread>());
    m_workers.append(worker);
    worker->start(QThread::LowPriority);
}
