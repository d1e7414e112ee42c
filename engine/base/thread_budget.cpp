// The thread budget: the CPU affinity and the cgroup quota of the process, unless a front end sets it.
#include "engine/base/thread_budget.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

namespace {

std::atomic<int> g_nBudget{0};        // 0 until set
thread_local int t_nScopedBudget = 0; // 0 outside a CThreadBudgetScope

int AffinityCpus()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&set));
}

std::string ReadText(const std::string& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The smallest quota of the process's cgroup (v2) and of every cgroup above it.
int QuotaCpus()
{
    const std::string cgroups = ReadText("/proc/self/cgroup");
    const std::size_t nAt = cgroups.find("0::");
    if (nAt == std::string::npos)
        return 0;
    std::string group = cgroups.substr(nAt + 3, cgroups.find('\n', nAt) - nAt - 3);
    int nCpus = 0;
    while (true) {
        const int nHere = CpusOfQuota(ReadText("/sys/fs/cgroup" + group + "/cpu.max"));
        if (nHere > 0)
            nCpus = nCpus > 0 ? std::min(nCpus, nHere) : nHere;
        if (group.empty() || group == "/")
            return nCpus;
        group.resize(group.rfind('/'));
    }
}

} // namespace

int CpusOfQuota(std::string_view cpuMax)
{
    long long nQuota = 0;
    long long nPeriod = 0;
    const char* pEnd = cpuMax.data() + cpuMax.size();
    const auto quota = std::from_chars(cpuMax.data(), pEnd, nQuota);
    if (quota.ec != std::errc() || quota.ptr == pEnd || *quota.ptr != ' ')
        return 0;
    const auto period = std::from_chars(quota.ptr + 1, pEnd, nPeriod);
    if (period.ec != std::errc() || nQuota <= 0 || nPeriod <= 0)
        return 0;
    return static_cast<int>(std::min<long long>((nQuota + nPeriod - 1) / nPeriod, kMaxThreadBudget));
}

int UsableCpus()
{
    const int nAffinity = AffinityCpus();
    const int nQuota = QuotaCpus();
    return nQuota > 0 ? std::min(nAffinity, nQuota) : nAffinity;
}

int ThreadBudget()
{
    if (t_nScopedBudget > 0)
        return t_nScopedBudget;
    const int nSet = g_nBudget.load();
    if (nSet > 0)
        return nSet;
    // Asked for by every search, writer and job: the files are read once.
    static const int nUsable = UsableCpus();
    return nUsable;
}

void SetThreadBudget(int nThreads)
{
    g_nBudget.store(std::clamp(nThreads, 1, kMaxThreadBudget));
}

CThreadBudgetScope::CThreadBudgetScope(int nThreads)
    : m_nOuter(std::exchange(t_nScopedBudget, std::clamp(nThreads, 1, kMaxThreadBudget)))
{ }

CThreadBudgetScope::~CThreadBudgetScope()
{
    t_nScopedBudget = m_nOuter;
}

std::string ApplyThreadsEnvironment()
{
    const char* szValue = std::getenv("TESSALY_THREADS");
    if (szValue == nullptr)
        return {};
    const std::string_view value(szValue);
    int nThreads = 0;
    const auto parsed = std::from_chars(value.data(), value.data() + value.size(), nThreads);
    if (parsed.ec != std::errc() || parsed.ptr != value.data() + value.size() || nThreads < 1
        || nThreads > kMaxThreadBudget)
        return "TESSALY_THREADS takes a whole number from 1 to " + std::to_string(kMaxThreadBudget) + ", not \""
            + std::string(value) + "\"; it is ignored.";
    SetThreadBudget(nThreads);
    return {};
}
