// Safe files: a result is written to a hidden temporary beside its name and renamed over it only when complete.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Writes `path` through `write`, which gets a stream on a new hidden file in
// the same folder and returns whether it wrote everything. Only after the
// stream was flushed and synced without error is the temporary renamed over
// `path`; otherwise it is removed, and any earlier file of that name stays
// byte for byte as it was. With nFolderFd (a folder's descriptor) the files
// are made in that folder under the name of `path`. Returns success.
bool WriteFileSafely(const std::string& path, const std::function<bool(std::FILE*)>& write, int nFolderFd = -1);
