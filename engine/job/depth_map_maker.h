// MakeDepthMap: the depth map of two decoded images, made in memory, with the images of every stage on its way.
#pragma once

#include "engine/base/depth_map_settings.h"
#include "engine/base/image.h"
#include "engine/base/stage_host.h"
#include "engine/kernels/depth_map_assembly.h"

#include <memory>
#include <optional>
#include <string>

class CFastSearch;
class CParallaxSearch;

// The images a depth map is made through, in the order they are made. The
// main image is the one whose map is made (the right one for a right map),
// the other the one it is compared with.
enum class EStageImage {
    kLeftSource,
    kRightSource,
    kLeftGradient,  // gradient comparison only
    kRightGradient, // gradient comparison only
    kMainReduced,   // speed factor above 1 only: the main source or gradient image reduced
    kOtherReduced,  // speed factor above 1 only
    kXd,            // the displacement images, at the working scale
    kYd,
    kDepthMap, // at the size of the sources (less one pixel per factor step when enlarged)
};

// Where the images of a job come from and where they go as soon as each is
// finished: the file job loads the sources and saves every other image
// under its name; a caller in memory hands over two images and takes what
// it needs.
class CDepthMapImages {
public:
    virtual ~CDepthMapImages() = default;
    // A source (kLeftSource or kRightSource), asked for once, when the job
    // first needs it; null ends the job, after the images have shown why.
    virtual std::shared_ptr<const CImage> Source(EStageImage kind) = 0;
    // Takes a finished image; false ends the job, after the images have
    // shown why.
    virtual bool Take(EStageImage kind, const std::shared_ptr<const CImage>& image) = 0;
    // How the job's messages name an image: its file, or what it is.
    virtual std::string NameOf(EStageImage kind) const = 0;
};

// Two images in memory, let go as soon as the job has used them; nothing is
// kept on the way, and images are named by what they are ("left", "3dmap").
class CPairInMemory : public CDepthMapImages {
public:
    CPairInMemory(std::shared_ptr<const CImage> left, std::shared_ptr<const CImage> right);
    std::shared_ptr<const CImage> Source(EStageImage kind) override;
    bool Take(EStageImage, const std::shared_ptr<const CImage>&) override { return true; }
    std::string NameOf(EStageImage kind) const override;

private:
    std::shared_ptr<const CImage> m_pLeft, m_pRight;
};

struct SDepthMap {
    std::shared_ptr<const CImage> xd;  // "-xd": horizontal displacements, at the working scale
    std::shared_ptr<const CImage> yd;  // "-yd": vertical displacements, at the working scale
    std::shared_ptr<const CImage> map; // "-3dmap": the depth map
    SDisplacementRange range;          // the displacements the levels are scaled from
};

// Makes depth maps, keeping the search's working memory from one map to the
// next. Status, progress and messages go to the host as a job shows them:
// "Gradient image creating" while the gradient images are made, then
// "Depth map creating" through the reduction, the search and the assembly.
class CDepthMapMaker {
public:
    CDepthMapMaker();
    ~CDepthMapMaker();
    CDepthMapMaker(const CDepthMapMaker&) = delete;
    CDepthMapMaker& operator=(const CDepthMapMaker&) = delete;

    // The map of the left (false) or right (true) image. Nothing, with the
    // message shown, when a setting is out of its range, a source cannot be
    // had, an image is too small for the speed factor or an image is not
    // taken; nothing and no message when the host cancels. Runs out of
    // memory by throwing std::bad_alloc. Every image is let go as soon as
    // nothing needs it.
    std::optional<SDepthMap> Make(bool bRightMap, const SDepthMapSettings& settings, CStageHost& host,
                                  CDepthMapImages& images);

private:
    class CRun;

    std::unique_ptr<CParallaxSearch> m_pSearch; // made when first asked for: its tables take megabytes
    std::unique_ptr<CFastSearch> m_pFastSearch;
};

// One map of two images with a maker of its own; throws
// std::invalid_argument when an image is missing.
std::optional<SDepthMap> MakeDepthMap(std::shared_ptr<const CImage> left, std::shared_ptr<const CImage> right,
                                      bool bRightMap, const SDepthMapSettings& settings, CStageHost& host);

inline constexpr const char* kStatusGradient = "Gradient image creating";
inline constexpr const char* kStatusDepthMap = "Depth map creating";
