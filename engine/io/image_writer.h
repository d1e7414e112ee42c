// CImageWriter: the saves of a job, encoded on threads of their own while the next stages compute, put in place in
// order.
#pragma once

#include "engine/base/image.h"
#include "engine/base/image_format.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Saves are encoded side by side into their temporaries (CSafeFile), but
// each takes its name only after every save queued before it took its own.
// After the first that fails, the saves behind it are dropped unwritten, so
// no file of a later stage appears and every earlier file of their names
// stays as it was; the failure stays until Reset(), for the job to report.
class CImageWriter {
public:
    CImageWriter() = default;
    ~CImageWriter();
    CImageWriter(const CImageWriter&) = delete;
    CImageWriter& operator=(const CImageWriter&) = delete;

    void Queue(std::shared_ptr<const CImage> image, std::string path, ESaveFormat saveFormat, int nFolderFd);
    // Waits until every queued save is in place or dropped; the path of the
    // first that failed, or empty.
    std::string Wait();
    // The path of the first save that failed so far, or empty; does not wait.
    std::string Failure() const;
    // Waits, then forgets the failure (the next job starts afresh).
    void Reset();

private:
    struct SSave {
        std::uint64_t nTurn;
        std::shared_ptr<const CImage> image;
        std::string path;
        ESaveFormat saveFormat;
        int nFolderFd;
    };
    void Run();
    void Write(SSave save);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<SSave> m_queue;
    std::uint64_t m_nQueued = 0; // turns given out
    std::uint64_t m_nDone = 0;   // turns put in place or dropped, in order
    bool m_bStopping = false;
    std::string m_failure;
    std::vector<std::thread> m_threads;
};
