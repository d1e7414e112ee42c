// CDepthMapMaker: gradient, reduction, search, assembly and enlargement in memory, each image handed over as it is
// made.
#include "engine/job/depth_map_maker.h"

#include "engine/job/row_stage.h"
#include "engine/kernels/gradient_image.h"
#include "engine/kernels/working_scale.h"
#include "engine/search/fast_search.h"
#include "engine/search/parallax_search.h"

#include <stdexcept>
#include <utility>

using TImage = std::shared_ptr<const CImage>;

CPairInMemory::CPairInMemory(TImage left, TImage right)
    : m_pLeft(std::move(left))
    , m_pRight(std::move(right))
{
    if (!m_pLeft || !m_pRight)
        throw std::invalid_argument("a depth map needs a left and a right image");
}

TImage CPairInMemory::Source(EStageImage kind)
{
    return std::exchange(kind == EStageImage::kRightSource ? m_pRight : m_pLeft, nullptr);
}

std::string CPairInMemory::NameOf(EStageImage kind) const
{
    switch (kind) {
    case EStageImage::kLeftSource:
        return "left";
    case EStageImage::kRightSource:
        return "right";
    case EStageImage::kLeftGradient:
        return "left gradient";
    case EStageImage::kRightGradient:
        return "right gradient";
    case EStageImage::kMainReduced:
        return "reduced";
    case EStageImage::kOtherReduced:
        return "other reduced";
    case EStageImage::kXd:
        return "xd";
    case EStageImage::kYd:
        return "yd";
    case EStageImage::kDepthMap:
        return "3dmap";
    }
    return {};
}

// One map: the settings, host and images it is made with.
class CDepthMapMaker::CRun {
public:
    CRun(CDepthMapMaker& maker, bool bRightMap, const SDepthMapSettings& settings, CStageHost& host,
         CDepthMapImages& images)
        : m_maker(maker)
        , m_bRightMap(bRightMap)
        , m_settings(settings)
        , m_host(host)
        , m_images(images)
    { }

    std::optional<SDepthMap> Make();

private:
    TImage Gradient(EStageImage source, EStageImage kind);
    TImage Working(bool bMain, TImage gradient);
    // Lets go of main and other as soon as the search has copied them.
    bool Search(TImage main, TImage other, SSearchResult& result);
    TImage Assemble(const SDepthMap& map);
    TImage Enlarge(TImage map);

    CDepthMapMaker& m_maker;
    const bool m_bRightMap;
    const SDepthMapSettings& m_settings;
    CStageHost& m_host;
    CDepthMapImages& m_images;
};

CDepthMapMaker::CDepthMapMaker()
    : m_pFastSearch(std::make_unique<CFastSearch>())
{ }

CDepthMapMaker::~CDepthMapMaker() = default;

std::optional<SDepthMap> CDepthMapMaker::Make(bool bRightMap, const SDepthMapSettings& settings, CStageHost& host,
                                              CDepthMapImages& images)
{
    if (const std::string problem = settings.Problem(); !problem.empty()) {
        host.ShowMessage(problem);
        return std::nullopt;
    }
    return CRun(*this, bRightMap, settings, host, images).Make();
}

std::optional<SDepthMap> MakeDepthMap(TImage left, TImage right, bool bRightMap, const SDepthMapSettings& settings,
                                      CStageHost& host)
{
    CPairInMemory images(std::move(left), std::move(right));
    return CDepthMapMaker().Make(bRightMap, settings, host, images);
}

std::optional<SDepthMap> CDepthMapMaker::CRun::Make()
{
    TImage left, right;
    if (!m_settings.m_bAnalyzeSource) {
        if (!(left = Gradient(EStageImage::kLeftSource, EStageImage::kLeftGradient))
            || !(right = Gradient(EStageImage::kRightSource, EStageImage::kRightGradient)))
            return std::nullopt;
    }
    m_host.SetStatus(kStatusDepthMap);
    TImage main = Working(true, m_bRightMap ? std::move(right) : std::move(left));
    TImage other = main ? Working(false, m_bRightMap ? std::move(left) : std::move(right)) : nullptr;
    if (!other)
        return std::nullopt;
    SSearchResult result;
    if (!Search(std::move(main), std::move(other), result)) {
        m_host.ResetProgress();
        return std::nullopt;
    }
    SDepthMap map{std::make_shared<const CImage>(std::move(result.xd)),
                  std::make_shared<const CImage>(std::move(result.yd)),
                  nullptr,
                  {result.nMinDx, result.nMaxDx, result.nMinDy, result.nMaxDy}};
    const bool bTaken = m_images.Take(EStageImage::kXd, map.xd) && m_images.Take(EStageImage::kYd, map.yd);
    m_host.ResetProgress();
    if (!bTaken || !(map.map = Assemble(map)))
        return std::nullopt;
    return map;
}

TImage CDepthMapMaker::CRun::Gradient(EStageImage source, EStageImage kind)
{
    TImage gradient;
    const auto load = [&](TStageImages& inputs) {
        inputs.push_back(m_images.Source(source));
        return inputs.back() != nullptr;
    };
    const auto kernel
        = [](const TStageImages& inputs, CImage& output, int y) { ComputeGradientRow(*inputs[0], output, y); };
    const auto keep = [&](TImage output) { return m_images.Take(kind, gradient = std::move(output)); };
    return RunStage(m_host, {kStatusGradient, true}, load, 1, kernel, keep) ? gradient : nullptr;
}

// The image a side is searched on: its gradient image or its source, reduced
// at a speed factor above 1.
TImage CDepthMapMaker::CRun::Working(bool bMain, TImage gradient)
{
    const int nFactor = m_settings.m_nSpeedFactor;
    if (nFactor != 1 && m_host.IsCancelled())
        return nullptr;
    const bool bRight = bMain == m_bRightMap;
    const EStageImage kind = gradient ? (bRight ? EStageImage::kRightGradient : EStageImage::kLeftGradient)
                                      : (bRight ? EStageImage::kRightSource : EStageImage::kLeftSource);
    TImage image = gradient ? std::move(gradient) : m_images.Source(kind);
    if (!image || nFactor == 1)
        return image;
    // A reduction narrower or lower than 2 pixels would give a depth map that
    // cannot be enlarged back: refuse it before anything is made of it.
    if (image->Width() / nFactor < 2 || image->Height() / nFactor < 2) {
        m_host.ShowMessage("The image " + m_images.NameOf(kind) + " is too small to be reduced by the speed factor "
                           + std::to_string(nFactor) + ".");
        return nullptr;
    }
    auto reduced = std::make_shared<const CImage>(ReduceImageBy(*image, nFactor));
    image.reset();
    return m_images.Take(bMain ? EStageImage::kMainReduced : EStageImage::kOtherReduced, reduced) ? reduced : nullptr;
}

bool CDepthMapMaker::CRun::Search(TImage main, TImage other, SSearchResult& result)
{
    const SSearchSettings working = WorkingSearchSettings(m_settings);
    if (!m_settings.m_bReferenceSearch)
        return m_maker.m_pFastSearch->Run(std::move(main), std::move(other), working, m_host, result);
    if (!m_maker.m_pSearch)
        m_maker.m_pSearch = std::make_unique<CParallaxSearch>();
    return m_maker.m_pSearch->Run(*main, *other, working, m_host, result);
}

// At a speed factor above 1 the map at the working scale stays here and only
// its enlargement is handed on, so the map's name is written once, finished.
TImage CDepthMapMaker::CRun::Assemble(const SDepthMap& map)
{
    const bool bEnlarge = m_settings.m_nSpeedFactor != 1;
    TImage assembled;
    const auto load = [&](TStageImages& inputs) {
        inputs = {map.xd, map.yd};
        return true;
    };
    const auto kernel = [&](const TStageImages& inputs, CImage& output, int y) {
        AssembleDepthRow(*inputs[0], *inputs[1], map.range, m_bRightMap, output, y);
    };
    const auto keep = [&](TImage output) {
        assembled = std::move(output);
        return bEnlarge || m_images.Take(EStageImage::kDepthMap, assembled);
    };
    if (!RunStage(m_host, {kStatusDepthMap, true}, load, 0, kernel, keep))
        return nullptr;
    return bEnlarge ? Enlarge(std::move(assembled)) : assembled;
}

TImage CDepthMapMaker::CRun::Enlarge(TImage map)
{
    const int nFactor = m_settings.m_nSpeedFactor;
    if (m_host.IsCancelled())
        return nullptr;
    if (map->Width() < 2 || map->Height() < 2) {
        m_host.ShowMessage("The depth map " + m_images.NameOf(EStageImage::kDepthMap)
                           + " is too small to be enlarged by the speed factor " + std::to_string(nFactor) + ".");
        return nullptr;
    }
    auto enlarged = std::make_shared<const CImage>(EnlargeImageBy(*map, nFactor));
    map.reset();
    if (m_host.IsCancelled() || !m_images.Take(EStageImage::kDepthMap, enlarged))
        return nullptr;
    return enlarged;
}
