// A single writer thread with a queue; results travel back as queued calls to a receiver that may
// be gone by then.
#include "annotation/InkWriter.h"

#include <QDir>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace
{

constexpr int kQuitWaitMs = 5000;

} // namespace

struct InkWriter::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> queue;
    bool busy = false;
    bool stop = false;
    InkWriter *receiver = nullptr; // cleared, under the mutex, before the writer object dies
    std::thread thread;

    // Touched by the writer thread only: the folder of the show written last.
    quint64 folderShow = 0;
    QString folder;

    void run();
    void handle(const Job &job);
};

void InkWriter::Shared::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stop || !queue.empty(); });
        if (queue.empty())
            return;
        const Job job = std::move(queue.front());
        queue.pop_front();
        busy = true;
        lock.unlock();
        handle(job);
        lock.lock();
        busy = false;
        changed.notify_all();
    }
}

void InkWriter::Shared::handle(const Job &job)
{
    QString error;
    if (folderShow != job.show) {
        folder = InkPicture::makeFolder(job.root, job.folderName, &error);
        // Without a folder the next picture of the show tries again.
        folderShow = folder.isEmpty() ? 0 : job.show;
    }
    const QString written = folder;
    if (!written.isEmpty()) {
        const QString path = QDir(written).filePath(
            QStringLiteral("slide-%1.png").arg(job.page, 2, 10, QLatin1Char('0')));
        // The folder may have been removed while the show ran.
        if (QDir().mkpath(written))
            InkPicture::write(InkPicture::compose(job.slide, job.strokes, job.frame), path, &error);
        else
            error = QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(written));
    }
    const std::lock_guard<std::mutex> guard(mutex);
    if (!receiver)
        return;
    InkWriter *const to = receiver;
    // Posted under the mutex: the receiver cannot die in between, and its death drops the call.
    QMetaObject::invokeMethod(
        to,
        [to, show = job.show, page = job.page, written, error] {
            emit to->written(show, page, written, error);
        },
        Qt::QueuedConnection);
}

InkWriter::InkWriter(QObject *parent) : QObject(parent), shared_(std::make_shared<Shared>())
{
    shared_->receiver = this;
    shared_->thread = std::thread([shared = shared_] { shared->run(); });
}

InkWriter::~InkWriter()
{
    const bool idle = waitForIdle(kQuitWaitMs);
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->receiver = nullptr;
        shared_->stop = true;
        shared_->changed.notify_all();
    }
    if (idle)
        shared_->thread.join();
    else
        shared_->thread.detach(); // it holds the shared state until it is done
}

void InkWriter::post(Job job)
{
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->queue.push_back(std::move(job));
    shared_->changed.notify_all();
}

bool InkWriter::waitForIdle(int ms)
{
    std::unique_lock<std::mutex> lock(shared_->mutex);
    return shared_->changed.wait_for(lock, std::chrono::milliseconds(ms),
                                     [this] { return shared_->queue.empty() && !shared_->busy; });
}
