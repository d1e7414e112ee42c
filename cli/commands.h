// The commands of tessaly-cli; each takes the arguments after its name and returns the exit code.
#pragma once

#include <string>
#include <vector>

// Exit codes: 0 done, 1 a stage failed (its message is on stderr), 2 usage
// error (nothing was touched), 130 interrupted.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

int RunDepthCommand(const std::vector<std::string>& args);
extern const std::string kDepthUsage;

int RunOutlineCommand(const std::vector<std::string>& args);
extern const std::string kOutlineUsage;

int RunSmoothCommand(const std::vector<std::string>& args);
extern const std::string kSmoothUsage;

int RunSplitCommand(const std::vector<std::string>& args);
extern const std::string kSplitUsage;

int RunBatchCommand(const std::vector<std::string>& args);
extern const std::string kBatchUsage;
