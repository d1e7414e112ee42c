// The thread budget: cgroup quotas and the CPU affinity set the default, and no file depends on the thread count.
#include "engine/base/thread_budget.h"
#include "engine/io/image_file.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <cstdlib>
#include <map>
#include <thread>

TEST(ThreadBudget, QuotasCountWholeCpusRoundedUp)
{
    const std::pair<const char*, int> cases[] = {{"max 100000\n", 0}, {"100000 100000\n", 1}, {"150000 100000\n", 2},
                                                 {"50000 100000", 1}, {"400000 100000", 4},   {"", 0},
                                                 {"max", 0},          {"0 100000", 0}};
    for (const auto& [szText, nCpus] : cases)
        EXPECT_EQ(CpusOfQuota(szText), nCpus) << szText;
}

// A scope's budget holds for the jobs of its own thread only, and the one around it comes back when it ends.
TEST(ThreadBudget, AScopeSetsTheBudgetOfItsThreadAlone)
{
    SetThreadBudget(3);
    {
        const CThreadBudgetScope outer(5);
        int nOther = 0;
        std::thread([&] { nOther = ThreadBudget(); }).join();
        {
            const CThreadBudgetScope inner(2);
            EXPECT_EQ(ThreadBudget(), 2);
        }
        EXPECT_EQ(std::pair(ThreadBudget(), nOther), std::pair(5, 3));
    }
    EXPECT_EQ(ThreadBudget(), 3);
}

// A thread bound to one CPU (the one it runs on, so one it may use) finds one usable CPU, whatever the machine has.
TEST(ThreadBudget, TheDefaultFollowsTheAffinity)
{
    int nUsable = 0;
    std::thread([&] {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(::sched_getcpu(), &set);
        ASSERT_EQ(::sched_setaffinity(0, sizeof(set), &set), 0);
        nUsable = UsableCpus();
    }).join();
    EXPECT_EQ(nUsable, 1);
}

// The same job at 1, 2 and 7 threads writes the same bytes, saves written at
// once (one thread) or behind the stages.
TEST(ThreadBudget, EveryFileIsTheSameAtEveryThreadCount)
{
    std::mt19937 random(3);
    const CImage left = RandomImage(200, 150, random); // enough sums for four search threads
    const CImage right = ShiftedCopy(left, 5, random);
    std::vector<std::map<std::string, std::string>> runs; // each run's files and their bytes
    for (const int nThreads : {1, 2, 7}) {
        CTempFolder folder;
        SaveImageFile(left, folder.File("l.png"), kFormatPng);
        SaveImageFile(right, folder.File("r.png"), kFormatPng);
        const std::string command = std::string(TESSALY_CLI_PATH) + " depth --threads " + std::to_string(nThreads)
            + " --left " + folder.File("l.png") + " --right " + folder.File("r.png")
            + " --fragment 4 --max-parallax-x 16 --max-parallax-y 2 --gradient --format png >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        runs.push_back(folder.Contents());
    }
    EXPECT_EQ(std::pair(runs[1], runs[2]), std::pair(runs[0], runs[0]));
}
