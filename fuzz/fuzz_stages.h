// Fuzz entry points: the image loader and each file-level stage run on arbitrary bytes.
#pragma once

#include <cstdint>
#include <span>

// Each takes one input as libFuzzer hands it over and returns 0. The input's
// first bytes choose the settings (image type, output format, factors),
// the rest become the image file or files the stage reads; the layouts are
// documented in fuzz_stages.cpp and followed by make_seeds.cpp. A broken
// invariant (a result that was reported as written but cannot be read back,
// a temporary file left behind) aborts, so libFuzzer keeps the input.
using FuzzEntry = int (*)(std::span<const std::uint8_t>);

int FuzzImageLoad(std::span<const std::uint8_t> data);
int FuzzGradient(std::span<const std::uint8_t> data);
int FuzzReduce(std::span<const std::uint8_t> data);
int FuzzEnlarge(std::span<const std::uint8_t> data);
int FuzzDepthJob(std::span<const std::uint8_t> data);
int FuzzAssembly(std::span<const std::uint8_t> data);
int FuzzOutline(std::span<const std::uint8_t> data);
int FuzzSmooth(std::span<const std::uint8_t> data);
int FuzzMpoIndex(std::span<const std::uint8_t> data);
int FuzzMpoSplit(std::span<const std::uint8_t> data);

struct SFuzzTarget {
    const char* szName;
    FuzzEntry pEntry;
};

// Every harness by name, as the fuzz binaries, the seed maker and the
// regression test know them.
inline constexpr SFuzzTarget kFuzzTargets[] = {
    {"image_load", FuzzImageLoad}, {"gradient", FuzzGradient},  {"reduce", FuzzReduce},   {"enlarge", FuzzEnlarge},
    {"depth_job", FuzzDepthJob},   {"assembly", FuzzAssembly},  {"outline", FuzzOutline}, {"smooth", FuzzSmooth},
    {"mpo", FuzzMpoIndex},         {"mpo_split", FuzzMpoSplit},
};

// The image types a settings byte chooses among, in that order.
inline constexpr const char* kFuzzExtensions[] = {"bmp", "png", "tif", "jpg"};
