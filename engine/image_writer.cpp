// CImageWriter: a queue of image saves and the one thread that writes them.
#include "engine/image_writer.h"

#include "engine/image_file.h"

CImageWriter::~CImageWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bStopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CImageWriter::Queue(std::shared_ptr<const CImage> image, std::string path, int nSaveFormat, int nFolderFd)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_failure.empty())
            return;
        m_queue.push_back({std::move(image), std::move(path), nSaveFormat, nFolderFd});
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
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
        m_bWriting = true;
        lock.unlock();
        const bool bSaved = SaveImageFile(*save.image, save.path, save.nSaveFormat, save.nFolderFd);
        save.image.reset();
        lock.lock();
        m_bWriting = false;
        if (!bSaved && m_failure.empty()) {
            m_failure = save.path;
            m_queue.clear();
        }
        m_changed.notify_all();
    }
}

std::string CImageWriter::Wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.empty() && !m_bWriting; });
    return m_failure;
}

std::string CImageWriter::Failure() const
{
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

void CImageWriter::ClearFailure()
{
    const std::lock_guard lock(m_mutex);
    m_failure.clear();
}
