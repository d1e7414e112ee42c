// CSmoothingCommands: the state and the commands behind the "Segmentation Smoothing" dialog.
#pragma once

#include "engine/base/image.h"
#include "engine/base/image_format.h"
#include "engine/job/file_command.h"

#include <memory>
#include <string>

class CDepthMapJob;

// How a front end uses it (the dialog CSmoothingDlg, the command-line tool):
//
//   CSmoothingCommands commands(host);      // one per dialog opening
//   // "Create outline images":
//   commands.m_nLevel = TextToInt(level box text);
//   SCommandOutcome done = commands.CreateOutlineImages(SmoothingInputsOf(mainJob));
//   // "Smooth left depth map" / "Smooth right depth map":
//   commands.m_nDegree = TextToInt(degree box text);
//   SCommandOutcome done = commands.SmoothLeft(SmoothingInputsOf(mainJob));
//   if (!done.strPreviewPath.empty()) open the preview on done.strPreviewPath;
//
// The inputs are read when a command starts and never written back; every
// name is built from them at that moment. Failures reach the user only
// through host.ShowMessage; the commands never touch the status line or the
// progress bar. Every stage calls host.PumpEvents() and polls
// host.IsCancelled() once per row, so a dialog can keep painting either by
// pumping events there (then it must hold off other commands and closing
// until the command returns, e.g. by disabling its buttons) or by running
// the command on a worker thread (then the host must hand messages to the
// UI thread). Cancelling stops the running stage before it writes and ends
// the command without a message and without a preview; IsCancelled() must
// stay true until the command has returned.

// What a command reads from the main side: the image pair, its bases (as
// Open left / Open right set them), the output format and "Preview images".
struct SSmoothingInputs {
    std::string strLeftPath;
    std::string strRightPath;
    std::string strLeftBase;
    std::string strRightBase;
    ESaveFormat saveFormat = kFormatBmp;
    bool bPreview = false;
};

// The inputs as the depth-map job of the main dialog holds them.
SSmoothingInputs SmoothingInputsOf(const CDepthMapJob& job);

class CSmoothingCommands : public CFileCommand {
public:
    explicit CSmoothingCommands(CStageHost& host)
        : CFileCommand(host)
    { }

    // Sign images of both sides, then gradient images of both sides, then
    // the masks of the sides whose sign and gradient images were made; any
    // exception while masking is reported as "SOS". Every step runs even
    // when an earlier one failed. The sign images stay in memory until they
    // are masked, so an outline name only ever holds a masked image, and a
    // side that fails keeps its earlier outline image. Previews the right
    // outline image.
    SCommandOutcome CreateOutlineImages(const SSmoothingInputs& inputs);
    // max(1, m_nDegree) passes over the side's "-3dmap." image, run in
    // memory, into its "-3dmapNew." image, written once when every pass is
    // done; a failed or cancelled command leaves the earlier "-3dmapNew."
    // image as it was. Previews the "-3dmapNew." name even after a failure.
    SCommandOutcome SmoothLeft(const SSmoothingInputs& inputs) { return SmoothSide(inputs, false); }
    SCommandOutcome SmoothRight(const SSmoothingInputs& inputs) { return SmoothSide(inputs, true); }

    int m_nLevel = 50; // outline image level, 0..256
    int m_nDegree = 5; // smoothing passes asked for; below 2 gives one

private:
    using TImage = std::shared_ptr<const CImage>;
    using TSourceStage = TImage (*)(const CImage& source, CStageHost& host);
    struct SSide {
        std::string source, outline, gradient;
        TImage sign, gradientImage;
    };

    SCommandOutcome SmoothSide(const SSmoothingInputs& inputs, bool bRight);
    bool SmoothFiles(const std::string& outline, const std::string& map, const std::string& result);
    TImage FromSource(const std::string& source, TSourceStage stage, const std::string& saved);
    bool MaskBothSides(SSide (&sides)[2], SCommandOutcome& outcome);
    bool MaskSide(const SSide& side);

    // Output format of the stages; each command sets it from its inputs.
    ESaveFormat m_saveFormat = kFormatBmp;
};

// The messages of the smoothing stages.
inline constexpr const char* kMsgLoadOutline = "Couldn't load outline bitmap!";
inline constexpr const char* kMsgLoadDepthMap = "Couldn't load 3dmap bitmap!";
inline constexpr const char* kMsgMaskFailed = "SOS";
