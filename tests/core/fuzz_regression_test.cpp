// Replays every input a fuzzer once failed on (fuzz/regressions/<harness>/) through the same entry points.
#include "engine/io/image_file.h"
#include "fuzz/fuzz_stages.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

void Replay(const SFuzzTarget& target, const std::string& bytes)
{
    const auto* pData = reinterpret_cast<const std::uint8_t*>(bytes.data());
    EXPECT_EQ(target.pEntry({pData, bytes.size()}), 0);
}

} // namespace

// An entry point aborts when a stage breaks its promises, so a regression
// shows as a crashed test naming the input.
TEST(FuzzRegressions, KeptInputsAndDegenerateInputsRunCleanly)
{
    for (const SFuzzTarget& target : kFuzzTargets) {
        SCOPED_TRACE(target.szName);
        for (const std::string& bytes : {std::string(), std::string(1, '\x01'), std::string(64, '\xFF')})
            Replay(target, bytes);
        const std::filesystem::path folder
            = std::filesystem::path(TESSALY_SOURCE_DIR) / "fuzz/regressions" / target.szName;
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            SCOPED_TRACE(entry.path().string());
            Replay(target, ReadBytes(entry.path().string()));
        }
    }
    SetImageLimits({});
}
