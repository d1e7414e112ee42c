// CDepthMapJob: a depth-map job on files, from the source pair to the "-3dmap." file.
#pragma once

#include "engine/base/depth_map_settings.h"
#include "engine/job/depth_map_maker.h"
#include "engine/job/file_command.h"
#include "engine/job/stereo_pair.h"

#include <optional>
#include <string>
#include <vector>

struct SDepthJobOutcome : SCommandOutcome {
    // Set when the map was written: every file of the job, the map last,
    // and the range of displacements its levels are scaled from.
    std::vector<std::string> stageFiles;
    std::optional<SDisplacementRange> range;
};

// Owned by the main dialog (or the command-line tool), which fills in the
// image pair and the settings and then runs a job for a side. CDepthMapMaker
// makes the map in memory; the job loads the pair for it and saves every
// image it hands over beside the source images, written behind the stages.
// A load or save that fails shows its message and ends the job.
class CDepthMapJob : public CFileCommand {
public:
    explicit CDepthMapJob(CStageHost& host);
    ~CDepthMapJob() override;

    // Runs the whole job for the left (false) or right (true) map and sets
    // the status line to "Ready" at the end. Settings out of their range are
    // refused with their message before anything is done. A job whose results would
    // overwrite its inputs, or whose two sides would write one name, is
    // refused before any file is touched; a job of another process or object
    // writing into the same folders is waited for first. The outcome names
    // the depth map when it was written; the files of the job and the range
    // its levels are scaled from come with it.
    SDepthJobOutcome RunJob(bool bRightMap);

    // The image pair, set by the front end when the user opens an image.
    CStereoPair m_pair;
    // Settings, set by the front end before each job; the job only reads them.
    SDepthMapSettings m_settings;
    // The dialog's "Preview images", which the smoothing dialog reads too.
    bool m_bPreview = true;
    // The depth map written last, kept through failed jobs for the preview;
    // empty until one is written.
    std::string m_strDepthMapPath;

private:
    class CFileImages;

    std::vector<SPlannedWrite> PlannedWrites(bool bRightMap) const;
    bool RunStages(bool bRightMap, std::optional<SDisplacementRange>& range);

    CDepthMapMaker m_maker;
};

// The messages of the depth-map job.
inline constexpr const char* kMsgLoadLeftOrRight = "Couldn't load left or right bitmap!";
inline constexpr const char* kMsgLoadBitmap = "Couldn't load bitmap!";
inline constexpr const char* kStatusReady = "Ready";
