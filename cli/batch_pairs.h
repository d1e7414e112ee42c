// The pairs of a batch: found in a folder by their names or read from a list file, sorted and cut into shards.
#pragma once

#include "engine/base/image_format.h"

#include <string>
#include <vector>

// Two images, one stereo file (.mpo or .jps, split first), or an entry that
// cannot run (names that do not pair, a bad list line), counted as failed.
struct SBatchPair {
    SBatchPair(std::string left = {}, std::string right = {}, std::string problem = {})
        : strLeft(std::move(left))
        , strRight(std::move(right))
        , strProblem(std::move(problem))
    { }

    std::string strLeft;    // the left image, or the stereo file
    std::string strRight;   // the right image; empty for a stereo file or a problem
    std::string strProblem; // why the entry cannot run; its files are in strLeft
    // Of a stereo file in a folder: the images found under both of its views'
    // names. They are its views when they hold what its split writes; else
    // they are the user's own pair, which runs on its own when the split is
    // refused.
    std::string strViewsLeft;
    std::string strViewsRight;

    // "LEFT + RIGHT", or strLeft alone: the prefix of the entry's messages and its sort key.
    std::string Label() const;
    bool IsStereoFile() const { return strRight.empty() && strProblem.empty(); }
    bool HasViews() const { return !strViewsLeft.empty(); }
};

// The pairs of a folder's images (.bmp .png .tif .tiff .jpg .jpeg), paired by
// NAME plus _L/_R, -L/-R, _left/_right or -left/-right in any letter case,
// and every .mpo and .jps file. Hidden files and the results of jobs
// (-3dmap., -xd., ...) are left out. Images under the names of a stereo
// file's views (side-by-side halves in saveFormat) go with the stereo file
// (SBatchPair::strViewsLeft). Images that pair with nothing or with more than
// one image are problems, and so is a stereo file whose views would take the
// result names of a pair of the user's: that pair runs. Returns false when
// the folder cannot be read.
bool PairFolder(const std::string& folder, ESaveFormat saveFormat, std::vector<SBatchPair>& pairs);

// The pairs of a list file: one pair a line, two paths separated by a tab
// (or by spaces, when neither path holds one), or one .mpo or .jps path.
// Relative paths start at the list's folder; blank lines, lines starting
// with # and a byte-order mark at the start are skipped. A line of another
// shape, or naming a file that does not exist, is a problem. The list "-" is
// standard input, and a pipe may be named too (/dev/stdin, <(find ...));
// relative paths of those start at the current folder. Returns false when
// the list cannot be read or holds a line over 64 KiB.
bool ReadPairList(const std::string& listPath, std::vector<SBatchPair>& pairs);
// The folder a list's relative paths start at: the list's own, or "" (the
// current one) for standard input and pipes.
std::string ListFolder(const std::string& listPath);

struct SShard {
    int nIndex = 1; // 1-based
    int nCount = 1;
};

// "K/N" with 1 <= K <= N; SUsageError otherwise.
SShard ParseShard(const std::string& text);

// The K-th of N slices, as equal as can be, of the pairs sorted by label:
// the slices of 1/N to N/N together hold every pair once.
std::vector<SBatchPair> TakeShard(std::vector<SBatchPair> pairs, SShard shard);
