// The thread budget: how many threads the engine's work may keep busy at once.
#pragma once

#include <string>
#include <string_view>

// The CPUs this process may run on: those of its (the calling thread's) CPU
// affinity, fewer when its cgroup's CPU quota allows fewer (a quota of 1.5
// CPUs counts 2); at least 1.
int UsableCpus();

// The cgroup v2 quota "cpu.max" ("max 100000" or "150000 100000") as whole
// CPUs, rounded up; 0 when there is no limit or the text is not a quota.
int CpusOfQuota(std::string_view cpuMax);

// What the searches, decoders and encoders of a job use together: set by a
// front end (tessaly-cli --threads, TESSALY_THREADS for the app, a batch
// sharing its budget between its jobs), else UsableCpus() as the first call
// finds it. The results never depend on it.
int ThreadBudget();
void SetThreadBudget(int nThreads);

// A budget for the jobs that the calling thread runs while the scope lasts
// (a call from Python with threads=N), so that calls on other threads keep
// theirs; the searches ask for the budget on the thread that runs the job.
class CThreadBudgetScope {
public:
    explicit CThreadBudgetScope(int nThreads);
    ~CThreadBudgetScope();
    CThreadBudgetScope(const CThreadBudgetScope&) = delete;
    CThreadBudgetScope& operator=(const CThreadBudgetScope&) = delete;

private:
    int m_nOuter;
};

// The largest budget a front end accepts.
inline constexpr int kMaxThreadBudget = 1024;

// Sets the budget from TESSALY_THREADS when it is set; returns what is
// wrong with its value (which is then ignored), else empty.
std::string ApplyThreadsEnvironment();
