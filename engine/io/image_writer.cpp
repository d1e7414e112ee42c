// CImageWriter: a queue of image saves, encoders on threads of their own, and the order in which names are taken.
#include "engine/io/image_writer.h"

#include "engine/base/thread_budget.h"
#include "engine/io/image_file.h"
#include "engine/io/safe_file.h"

#include <algorithm>

namespace {

// Two encoders keep both cores of a small machine busy behind the stages;
// more would only take the search's cores.
unsigned EncoderCount()
{
    return static_cast<unsigned>(std::clamp(ThreadBudget(), 1, 2));
}

} // namespace

CImageWriter::~CImageWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bStopping = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void CImageWriter::Queue(std::shared_ptr<const CImage> image, std::string path, ESaveFormat saveFormat, int nFolderFd)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_failure.empty())
            return;
        m_queue.push_back({m_nQueued++, std::move(image), std::move(path), saveFormat, nFolderFd});
        if (m_threads.size() < std::min<std::size_t>(EncoderCount(), m_queue.size() + m_threads.size()))
            m_threads.emplace_back([this] { Run(); });
    }
    m_changed.notify_all();
}

void CImageWriter::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_bStopping || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        SSave save = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        Write(std::move(save));
        lock.lock();
    }
}

void CImageWriter::Write(SSave save)
{
    std::unique_lock lock(m_mutex, std::defer_lock);
    {
        CSafeFile file;
        bool bWritten = file.Open(save.path, save.nFolderFd);
        bWritten = bWritten && EncodeImage(*save.image, save.saveFormat, file.Stream());
        bWritten = file.Finish() && bWritten;
        save.image.reset();
        lock.lock();
        m_changed.wait(lock, [&] { return m_nDone == save.nTurn; });
        // Behind a failure the temporary is removed unnamed, as it is here
        // when the file itself failed: before the turn ends, while the
        // job's folders are still held.
        if (m_failure.empty() && !(bWritten && file.Commit())) {
            m_failure = save.path;
            // The saves not yet begun are never written; they hold the last turns.
            m_nQueued -= m_queue.size();
            m_queue.clear();
        }
    }
    ++m_nDone;
    lock.unlock();
    m_changed.notify_all();
}

std::string CImageWriter::Wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_nDone == m_nQueued; });
    return m_failure;
}

std::string CImageWriter::Failure() const
{
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

void CImageWriter::Reset()
{
    Wait();
    const std::lock_guard lock(m_mutex);
    m_failure.clear();
}
