// CImageWriter: the saves of a job, written in order on a thread of their own while the next stages compute.
#pragma once

#include "engine/image.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Each save is written safely (SaveImageFile) in the order it was queued.
// After the first that fails, the saves behind it are dropped unwritten, so
// no file of a later stage appears and every earlier file of their names
// stays as it was; the failure is kept for the job to report.
class CImageWriter {
public:
    CImageWriter() = default;
    ~CImageWriter();
    CImageWriter(const CImageWriter&) = delete;
    CImageWriter& operator=(const CImageWriter&) = delete;

    void Queue(std::shared_ptr<const CImage> image, std::string path, int nSaveFormat, int nFolderFd);
    // Waits until every queued save is written or dropped; the path of the
    // first that failed, or empty.
    std::string Wait();
    // The path of the first save that failed so far, or empty; does not wait.
    std::string Failure() const;
    // Forgets a failure once the job has reported it.
    void ClearFailure();

private:
    struct SSave {
        std::shared_ptr<const CImage> image;
        std::string path;
        int nSaveFormat;
        int nFolderFd;
    };
    void Run();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<SSave> m_queue;
    bool m_bWriting = false;
    bool m_bStopping = false;
    std::string m_failure;
    std::thread m_thread;
};
