// CDepthMapJob: the state and the stages of a depth-map job, from the source pair to the "-3dmap." file.
#pragma once

#include "engine/base/depth_map_settings.h"
#include "engine/base/image.h"
#include "engine/base/stage_host.h"
#include "engine/job/job_plan.h"
#include "engine/job/stage_files.h"
#include "engine/job/stereo_pair.h"
#include "engine/search/parallax_search.h"

#include <memory>
#include <string>
#include <vector>

class CFastSearch;

// Owned by the main dialog (or the command-line tool), which fills in the
// image pair and the settings and then runs a job for a side. Every stage
// writes its file beside the source images, and a later stage of the job
// gets the image from memory; a stage that cannot load its input or save its
// output shows its message and ends the job, so no stage ever reads a stale
// file of an earlier job.
class CDepthMapJob {
public:
    explicit CDepthMapJob(CStageHost& host);
    ~CDepthMapJob();

    // Runs the whole job for the left (false) or right (true) map and sets
    // the status line to "Ready" at the end. Settings out of their range are
    // refused with their message before anything is done. A job whose results would
    // overwrite its inputs, or whose two sides would write one name, is
    // refused before any file is touched; a job of another process or object
    // writing into the same folders is waited for first. Returns whether a
    // depth map was written; m_strDepthMapPath names it (after a failure it
    // still names the map of an earlier job, or is empty).
    bool RunJob(bool bRightMap);

    // The stages; each returns whether it wrote its output. A stage started
    // or running when the host reports cancellation writes nothing.
    bool CreateGradientImage(std::string source, std::string destination);
    bool ReduceImage(std::string source, std::string destination, int nFactor);
    bool EnlargeImage(std::string source, std::string destination, int nFactor);
    bool CreateDepthMap();
    bool AssembleDepthMap(std::string xdPath, std::string ydPath, std::string basePath);

    std::string MakeDerivedName(const std::string& base, const char* suffix) const;
    // Saves in the current format; a failed save shows "Couldn't create file: %s".
    bool SaveImage(CImage image, const std::string& path);

    // The image pair, set by the front end when the user opens an image.
    CStereoPair m_pair;

    // Settings, set by the front end before each job; the job only reads them.
    SDepthMapSettings m_settings;
    // The dialog's "Preview images", which the smoothing dialog reads too.
    bool m_bPreview = true;

    // Job state, kept after the job for the front end and the next stages.
    bool m_bRightMap = false;
    std::string m_strMainImage, m_strOtherImage;
    std::string m_strMainBase, m_strOtherBase;
    std::string m_strLeftGradient, m_strRightGradient;
    int m_nMinDx = 0, m_nMaxDx = 0, m_nMinDy = 0, m_nMaxDy = 0;
    std::string m_strDepthMapPath;

private:
    void AssignRoles(bool bRightMap);
    std::vector<SPlannedWrite> PlannedWrites() const;
    bool RunStages(bool bRightMap);
    std::shared_ptr<const CImage> LoadStageImage(const std::string& path, const char* loadMessage);
    bool ScaleToWorkingSize();
    bool AssembleAndEnlarge(const std::string& xdPath, const std::string& ydPath);
    bool SearchWorkingImages(const SSearchSettings& working, SSearchResult& result);
    bool Search(const CImage& main, const CImage& other, const SSearchSettings& working, SSearchResult& result);

    CStageHost* m_pHost;
    CStageFiles m_files;
    std::unique_ptr<CParallaxSearch> m_pSearch;
    std::unique_ptr<CFastSearch> m_pFastSearch;
};

// The messages of the depth-map stages.
inline constexpr const char* kMsgLoadLeftOrRight = "Couldn't load left or right bitmap!";
inline constexpr const char* kMsgLoadBitmap = "Couldn't load bitmap!";
inline constexpr const char* kMsgLoadXd = "Couldn't load -xd bitmap!";
inline constexpr const char* kMsgLoadYd = "Couldn't load -yd bitmap!";
inline constexpr const char* kStatusGradient = "Gradient image creating";
inline constexpr const char* kStatusDepthMap = "Depth map creating";
inline constexpr const char* kStatusReady = "Ready";
