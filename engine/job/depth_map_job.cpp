// CDepthMapJob: the depth-map job and its file-level stages.
#include "engine/job/depth_map_job.h"

#include "engine/base/numeric.h"
#include "engine/io/file_names.h"
#include "engine/job/job_folders.h"
#include "engine/job/row_stage.h"
#include "engine/kernels/depth_map_assembly.h"
#include "engine/kernels/gradient_image.h"
#include "engine/kernels/working_scale.h"
#include "engine/search/fast_search.h"
#include "engine/search/parallax_search.h"

#include <algorithm>
#include <new>

CDepthMapJob::CDepthMapJob(CStageHost& host)
    : m_pHost(&host)
    , m_files(host)
    , m_pFastSearch(std::make_unique<CFastSearch>())
{ }

CDepthMapJob::~CDepthMapJob() = default;

std::string CDepthMapJob::MakeDerivedName(const std::string& base, const char* suffix) const
{
    return ::MakeDerivedName(base, suffix, m_settings.m_saveFormat);
}

bool CDepthMapJob::SaveImage(CImage image, const std::string& path)
{
    return m_files.Save(std::move(image), path, m_settings.m_saveFormat);
}

std::shared_ptr<const CImage> CDepthMapJob::LoadStageImage(const std::string& path, const char* loadMessage)
{
    return m_files.Load(path, loadMessage);
}

void CDepthMapJob::AssignRoles(bool bRightMap)
{
    m_bRightMap = bRightMap;
    m_strMainImage = m_pair.Path(bRightMap);
    m_strMainBase = m_pair.Base(bRightMap);
    m_strOtherImage = m_pair.Path(!bRightMap);
    m_strOtherBase = m_pair.Base(!bRightMap);
    m_strLeftGradient = m_pair.DerivedName(false, kSuffixGradient, m_settings.m_saveFormat);
    m_strRightGradient = m_pair.DerivedName(true, kSuffixGradient, m_settings.m_saveFormat);
}

// Every file the job will write, with the input each is made from.
std::vector<SPlannedWrite> CDepthMapJob::PlannedWrites() const
{
    std::vector<SPlannedWrite> writes;
    if (!m_settings.m_bAnalyzeSource)
        writes = {{m_strLeftGradient, m_pair.LeftPath()}, {m_strRightGradient, m_pair.RightPath()}};
    const std::string& mainPath = m_pair.Path(m_bRightMap);
    const std::string& otherPath = m_pair.Path(!m_bRightMap);
    if (m_settings.m_nSpeedFactor != 1) {
        writes.push_back({MakeDerivedName(m_strMainBase, kSuffixResize), mainPath});
        writes.push_back({MakeDerivedName(m_strOtherBase, kSuffixResize), otherPath});
    }
    for (const char* suffix : {kSuffixXd, kSuffixYd, kSuffixDepthMap})
        writes.push_back({MakeDerivedName(m_strMainBase, suffix), mainPath});
    return writes;
}

bool CDepthMapJob::RunJob(bool bRightMap)
{
    const std::string earlierMap = m_strDepthMapPath;
    bool bDone = false;
    try {
        AssignRoles(bRightMap);
        const std::string problem = m_settings.Problem();
        if (!problem.empty())
            m_pHost->ShowMessage(problem);
        bDone = problem.empty() && RunStages(bRightMap);
    } catch (const std::bad_alloc&) {
        m_pHost->ShowMessage("Not enough memory to make the depth map of these images.");
        m_pHost->ResetProgress();
    }
    // Only a map that was written is named.
    if (!bDone)
        m_strDepthMapPath = earlierMap;
    m_pHost->SetStatus(kStatusReady);
    return bDone;
}

bool CDepthMapJob::RunStages(bool bRightMap)
{
    CJobFolders folders;
    if (!ClaimJobFolders(folders, {m_pair.LeftPath(), m_pair.RightPath()}, PlannedWrites(), *m_pHost))
        return false;
    const CStageFilesScope scope(m_files, folders, true);
    // Every mode reads both sources first: they are decoded side by side.
    m_files.Prefetch({m_pair.LeftPath(), m_pair.RightPath()});
    if (!m_settings.m_bAnalyzeSource) {
        if (!CreateGradientImage(m_pair.LeftPath(), m_strLeftGradient)
            || !CreateGradientImage(m_pair.RightPath(), m_strRightGradient))
            return false;
        m_strMainImage = bRightMap ? m_strRightGradient : m_strLeftGradient;
        m_strOtherImage = bRightMap ? m_strLeftGradient : m_strRightGradient;
    }
    return CreateDepthMap() && m_files.Flush();
}

bool CDepthMapJob::CreateGradientImage(std::string source, std::string destination)
{
    return RunRowStage(m_files, *m_pHost, {kStatusGradient, true}, {{source, kMsgLoadLeftOrRight}}, destination,
                       m_settings.m_saveFormat, 1, [](const TStageImages& inputs, CImage& output, int y) {
                           ComputeGradientRow(*inputs[0], output, y);
                       });
}

bool CDepthMapJob::ReduceImage(std::string source, std::string destination, int nFactor)
{
    if (m_pHost->IsCancelled())
        return false;
    const std::shared_ptr<const CImage> pImage = LoadStageImage(source, kMsgLoadLeftOrRight);
    if (!pImage)
        return false;
    const CImage& image = *pImage;
    // A reduction narrower or lower than 2 pixels would give a depth map that
    // cannot be enlarged back, after assembly had already replaced the earlier
    // map of that name: refuse it before anything is written.
    if (image.Width() / nFactor < 2 || image.Height() / nFactor < 2) {
        m_pHost->ShowMessage("The image " + source + " is too small to be reduced by the speed factor "
                             + std::to_string(nFactor) + ".");
        return false;
    }
    return SaveImage(ReduceImageBy(image, nFactor), destination);
}

bool CDepthMapJob::EnlargeImage(std::string source, std::string destination, int nFactor)
{
    if (m_pHost->IsCancelled())
        return false;
    const std::shared_ptr<const CImage> pImage = LoadStageImage(source, kMsgLoadLeftOrRight);
    if (!pImage)
        return false;
    const CImage& image = *pImage;
    if (image.Width() < 2 || image.Height() < 2) {
        m_pHost->ShowMessage("The depth map " + source + " is too small to be enlarged by the speed factor "
                             + std::to_string(nFactor) + ".");
        return false;
    }
    CImage enlarged = EnlargeImageBy(image, nFactor);
    if (m_pHost->IsCancelled() || !SaveImage(std::move(enlarged), destination))
        return false;
    m_strDepthMapPath = destination;
    return true;
}

// At a speed factor above 1 the search runs on reduced copies.
bool CDepthMapJob::ScaleToWorkingSize()
{
    const int nFactor = m_settings.m_nSpeedFactor;
    const std::string mainReduced = MakeDerivedName(m_strMainBase, kSuffixResize);
    if (!ReduceImage(m_strMainImage, mainReduced, nFactor))
        return false;
    m_strMainImage = mainReduced;
    const std::string otherReduced = MakeDerivedName(m_strOtherBase, kSuffixResize);
    if (!ReduceImage(m_strOtherImage, otherReduced, nFactor))
        return false;
    m_strOtherImage = otherReduced;
    return true;
}

bool CDepthMapJob::Search(const CImage& main, const CImage& other, const SSearchSettings& working,
                          SSearchResult& result)
{
    if (m_settings.m_bReferenceSearch) {
        // The literal search's tables take megabytes; they are made only when it runs.
        if (!m_pSearch)
            m_pSearch = std::make_unique<CParallaxSearch>();
        return m_pSearch->Run(main, other, working, *m_pHost, result);
    }
    return m_pFastSearch->Run(main, other, working, *m_pHost, result);
}

bool CDepthMapJob::CreateDepthMap()
{
    m_pHost->SetStatus(kStatusDepthMap);
    if (m_settings.m_nSpeedFactor != 1 && !ScaleToWorkingSize())
        return false;
    const SSearchSettings working = WorkingSearchSettings(m_settings);
    SSearchResult result;
    if (!SearchWorkingImages(working, result))
        return false;
    m_nMinDx = result.nMinDx;
    m_nMaxDx = result.nMaxDx;
    m_nMinDy = result.nMinDy;
    m_nMaxDy = result.nMaxDy;
    const std::string xdPath = MakeDerivedName(m_strMainBase, kSuffixXd);
    const std::string ydPath = MakeDerivedName(m_strMainBase, kSuffixYd);
    const bool bSaved = SaveImage(std::move(result.xd), xdPath) && SaveImage(std::move(result.yd), ydPath);
    m_pHost->ResetProgress();
    if (!bSaved)
        return false;
    if (m_settings.m_nSpeedFactor == 1)
        return AssembleDepthMap(xdPath, ydPath, m_strMainBase);
    return AssembleAndEnlarge(xdPath, ydPath);
}

// The working images are freed as soon as the search is done with them.
bool CDepthMapJob::SearchWorkingImages(const SSearchSettings& working, SSearchResult& result)
{
    const std::shared_ptr<const CImage> pMain = LoadStageImage(m_strMainImage, kMsgLoadBitmap);
    const std::shared_ptr<const CImage> pOther = pMain ? LoadStageImage(m_strOtherImage, kMsgLoadBitmap) : nullptr;
    if (!pOther)
        return false;
    m_nMinDx = m_nMaxDx = m_nMinDy = m_nMaxDy = 0;
    if (Search(*pMain, *pOther, working, result))
        return true;
    m_pHost->ResetProgress();
    return false;
}

// Assembly's map at the working scale stays in memory and only its
// enlargement is written, so the map's name goes from the earlier map to the
// finished one in one rename; a job that fails or is killed on the way
// leaves the earlier map.
bool CDepthMapJob::AssembleAndEnlarge(const std::string& xdPath, const std::string& ydPath)
{
    const std::string earlierPath = m_strDepthMapPath;
    const std::string mapPath = MakeDerivedName(m_strMainBase, kSuffixDepthMap);
    m_files.Hold(mapPath);
    const bool bAssembled = AssembleDepthMap(xdPath, ydPath, m_strMainBase);
    m_files.Release(mapPath);
    if (bAssembled && EnlargeImage(mapPath, mapPath, m_settings.m_nSpeedFactor))
        return true;
    m_strDepthMapPath = earlierPath;
    return false;
}

bool CDepthMapJob::AssembleDepthMap(std::string xdPath, std::string ydPath, std::string basePath)
{
    const SDisplacementRange range{m_nMinDx, m_nMaxDx, m_nMinDy, m_nMaxDy};
    const bool bRightMap = m_bRightMap;
    const std::string path = MakeDerivedName(basePath, kSuffixDepthMap);
    if (!RunRowStage(m_files, *m_pHost, {kStatusDepthMap, true}, {{xdPath, kMsgLoadXd}, {ydPath, kMsgLoadYd}}, path,
                     m_settings.m_saveFormat, 0, [&](const TStageImages& inputs, CImage& map, int y) {
                         AssembleDepthRow(*inputs[0], *inputs[1], range, bRightMap, map, y);
                     }))
        return false;
    m_strDepthMapPath = path;
    return true;
}
