// The row-stage runner: get a stage's inputs, compute its output row by row for the host, hand it on.
#pragma once

#include "engine/base/image.h"
#include "engine/base/stage_host.h"

#include <functional>
#include <memory>
#include <vector>

// How a stage shows that it works: the depth-map stages name themselves on
// the status line and drive the progress bar; the smoothing stages, which
// show neither, let events through once per row instead.
struct SRowProgress {
    const char* szStatus = nullptr; // set before the stage starts, when given
    bool bProgressBar = false;
};

// Runs rows [nFirst, nEnd) of a stage, polling cancellation before each row.
// With the progress bar: its range is set to nRange first, it steps after
// each row and is reset when cancelled; without it, events are pumped
// before each row. False when cancelled.
bool RunRows(CStageHost& host, const SRowProgress& progress, int nRange, int nFirst, int nEnd,
             const std::function<void(int y)>& row);

// The loaded inputs of a stage, in the order asked for.
using TStageImages = std::vector<std::shared_ptr<const CImage>>;
// Computes row y of `output` from the inputs.
using TRowKernel = std::function<void(const TStageImages& inputs, CImage& output, int y)>;

// Whatever a stage runs on: it fills the inputs, or shows why it cannot
// (false); and whatever takes its output, false when it could not.
using TLoadInputs = std::function<bool(TStageImages& inputs)>;
using TKeepOutput = std::function<bool(std::shared_ptr<const CImage> output)>;

// A stage: nothing when cancelled before it starts; gets its inputs; makes
// an output of the smaller width and height of the inputs; computes its
// rows, nBorder rows from each edge left to the output's black; lets the
// inputs go, hands the output on and resets the progress bar. Returns
// whether the output was taken.
bool RunStage(CStageHost& host, const SRowProgress& progress, const TLoadInputs& load, int nBorder,
              const TRowKernel& kernel, const TKeepOutput& keep);
