// CDepthMapJob: the depth-map job on files: names, folder claim, loads and saves around CDepthMapMaker.
#include "engine/job/depth_map_job.h"

#include "engine/io/file_names.h"

namespace {

// The file of each image of a job: the sources, and the names derived from their bases.
std::string StageFileName(const CStereoPair& pair, EStageImage kind, bool bRightMap, ESaveFormat format)
{
    switch (kind) {
    case EStageImage::kLeftSource:
        return pair.LeftPath();
    case EStageImage::kRightSource:
        return pair.RightPath();
    case EStageImage::kLeftGradient:
        return pair.DerivedName(false, kSuffixGradient, format);
    case EStageImage::kRightGradient:
        return pair.DerivedName(true, kSuffixGradient, format);
    case EStageImage::kMainReduced:
        return pair.DerivedName(bRightMap, kSuffixResize, format);
    case EStageImage::kOtherReduced:
        return pair.DerivedName(!bRightMap, kSuffixResize, format);
    case EStageImage::kXd:
        return pair.DerivedName(bRightMap, kSuffixXd, format);
    case EStageImage::kYd:
        return pair.DerivedName(bRightMap, kSuffixYd, format);
    case EStageImage::kDepthMap:
        return pair.DerivedName(bRightMap, kSuffixDepthMap, format);
    }
    return {};
}

} // namespace

// Loads the sources and saves each image the maker hands over under its file name.
class CDepthMapJob::CFileImages : public CDepthMapImages {
public:
    CFileImages(CDepthMapJob& job, bool bRightMap)
        : m_job(job)
        , m_bRightMap(bRightMap)
    { }

    // The sources are read with the message of the stage that first needs
    // them: the gradient images or the reduction, else the search.
    std::shared_ptr<const CImage> Source(EStageImage kind) override
    {
        const SDepthMapSettings& settings = m_job.m_settings;
        const bool bStage = !settings.m_bAnalyzeSource || settings.m_nSpeedFactor != 1;
        // Decoding a photograph takes a good part of a second: the bar shows
        // that something is under way until the first stage knows its rows.
        if (!std::exchange(m_bReadingShown, true))
            m_job.m_pHost->SetProgressRange(0);
        return m_job.m_files.Load(NameOf(kind), bStage ? kMsgLoadLeftOrRight : kMsgLoadBitmap);
    }

    bool Take(EStageImage kind, const std::shared_ptr<const CImage>& image) override
    {
        return m_job.m_files.Save(image, NameOf(kind), m_job.m_settings.m_saveFormat);
    }

    std::string NameOf(EStageImage kind) const override
    {
        return StageFileName(m_job.m_pair, kind, m_bRightMap, m_job.m_settings.m_saveFormat);
    }

private:
    CDepthMapJob& m_job;
    const bool m_bRightMap;
    bool m_bReadingShown = false;
};

CDepthMapJob::CDepthMapJob(CStageHost& host)
    : CFileCommand(host)
{ }

CDepthMapJob::~CDepthMapJob() = default;

// Every file the job will write, with the input each is made from.
std::vector<SPlannedWrite> CDepthMapJob::PlannedWrites(bool bRightMap) const
{
    const auto name = [&](EStageImage kind) { return StageFileName(m_pair, kind, bRightMap, m_settings.m_saveFormat); };
    const auto made = [&](EStageImage kind, bool bMain) -> SPlannedWrite {
        return {name(kind), m_pair.Path(bMain == bRightMap)};
    };
    std::vector<SPlannedWrite> writes;
    if (!m_settings.m_bAnalyzeSource)
        writes = {{name(EStageImage::kLeftGradient), m_pair.LeftPath()},
                  {name(EStageImage::kRightGradient), m_pair.RightPath()}};
    if (m_settings.m_nSpeedFactor != 1)
        writes.insert(writes.end(), {made(EStageImage::kMainReduced, true), made(EStageImage::kOtherReduced, false)});
    for (const EStageImage kind : {EStageImage::kXd, EStageImage::kYd, EStageImage::kDepthMap})
        writes.push_back(made(kind, true));
    return writes;
}

SDepthJobOutcome CDepthMapJob::RunJob(bool bRightMap)
{
    SDepthJobOutcome outcome;
    if (const std::string problem = m_settings.Problem(); !problem.empty())
        m_pHost->ShowMessage(problem);
    else
        outcome.bDone = CatchNoMemory(
            "Not enough memory to make the depth map of these images.",
            [&] { return RunStages(bRightMap, outcome.range); }, true);
    if (outcome.bDone) {
        m_strDepthMapPath = StageFileName(m_pair, EStageImage::kDepthMap, bRightMap, m_settings.m_saveFormat);
        outcome.written.push_back(m_strDepthMapPath);
        for (const SPlannedWrite& write : PlannedWrites(bRightMap))
            outcome.stageFiles.push_back(write.path);
    }
    m_pHost->SetStatus(kStatusReady);
    // A map finished before a late cancellation counts as made.
    outcome.bCancelled = !outcome.bDone && m_pHost->IsCancelled();
    if (m_bPreview && !outcome.bCancelled)
        outcome.strPreviewPath = m_strDepthMapPath;
    return outcome;
}

bool CDepthMapJob::RunStages(bool bRightMap, std::optional<SDisplacementRange>& range)
{
    const std::vector<std::string> sources{m_pair.LeftPath(), m_pair.RightPath()};
    return RunInFolders(sources, PlannedWrites(bRightMap), true, [&] {
        // Every mode reads both sources first: they are decoded side by side.
        m_files.Prefetch(sources);
        CFileImages images(*this, bRightMap);
        const std::optional<SDepthMap> map = m_maker.Make(bRightMap, m_settings, *m_pHost, images);
        if (!map || !m_files.Flush())
            return false;
        range = map->range;
        return true;
    });
}
