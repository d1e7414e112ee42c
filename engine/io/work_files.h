// Work files: the hidden files a command makes beside its results, named so that only they are ever cleaned up.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

// A work file is named ".NAME.tessaly-PID-UNIQUE@HOST.KIND": NAME the first
// 64 bytes of the file it works for, PID the process that made it, UNIQUE
// digits and dashes, HOST this machine's name with every byte other than a
// letter, a digit or a dash written as "_", KIND what it holds ("tmp" a
// result being written, "pair" the record of two views being put in place).
// The fixed tag and the host keep the sweep of leftovers away from a user's
// own hidden files, and from the live files of a process of another machine
// that shares the folder.
std::string MakeWorkFileName(std::string_view path, std::string_view unique, std::string_view kind);

struct SWorkFile {
    pid_t pid = 0;
    std::string strHost;
    std::string strKind;
};

// The parts of a work file's name (without a folder), or nothing when the name is not a work file's.
std::optional<SWorkFile> ParseWorkFileName(std::string_view name);

// This machine's name as work file names carry it.
const std::string& ThisHostTag();

// Whether the work file was made on this machine by a process that has ended, so that nothing can still be
// writing it.
bool IsLeftOver(const SWorkFile& file);
