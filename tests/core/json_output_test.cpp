// tessaly-cli --json: one object a command (a batch one a pair as each ends, then its summary) that parses back
// and says what was written, with which settings, and how the command ended.
#include "cli/commands.h"
#include "engine/io/image_file.h"
#include "support/test_images.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace {

using Json = nlohmann::json;

std::vector<Json> RunWithJson(const CTempFolder& folder, const std::string& args, int& nExit)
{
    const std::string out = folder.File("out.txt");
    const std::string command
        = "cd " + folder.Path().string() + " && " + TESSALY_CLI_PATH + " " + args + " --json >" + out + " 2>/dev/null";
    const int nStatus = std::system(command.c_str());
    nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    std::vector<Json> objects;
    std::istringstream lines(ReadBytes(out));
    for (std::string line; std::getline(lines, line);)
        objects.push_back(Json::parse(line));
    std::filesystem::remove(out);
    return objects;
}

struct SCase {
    std::string args;
    int nExit;
    std::vector<std::string> written;    // of the last object
    std::multiset<std::string> outcomes; // of every object
};

} // namespace

TEST(JsonOutput, EveryCommandReportsItsFilesSettingsAndOutcome)
{
    CTempFolder folder;
    std::mt19937 random(3);
    const CImage left = RandomImage(20, 12, random);
    SaveImageFile(left, folder.File("l.png"), kFormatPng);
    SaveImageFile(ShiftedCopy(left, 1, random), folder.File("r.png"), kFormatPng);
    WriteBytes(folder.File("pairs.txt"), "l.png r.png\nl.png gone.png\n");
    // A sideways photo, its EXIF block of one entry: orientation 6.
    const std::string exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 32);
    const std::string jpeg = EncodeJpeg(left), photo = "depth --left p.jpg --right p.jpg --max-parallax-x 2";
    WriteBytes(folder.File("p.jpg"), jpeg.substr(0, 2) + "\xFF\xE1" + char(0) + char(34) + exif + jpeg.substr(2));
    const std::string pair = " --left l.png --right r.png --format png";
    const std::vector<SCase> cases{
        {"depth" + pair + " --max-parallax-x 2", 0, {"l-xd.png", "l-yd.png", "l-3dmap.png"}, {"done"}},
        {"depth --left l.png --right gone.png", 1, {}, {"failed"}},
        {"depth" + pair + " --fragment 3", 2, {}, {"usage error"}},
        {"outline" + pair, 0, {"l-outline.png", "r-outline.png"}, {"done"}},
        {"smooth --side left --left l.png --format png", 0, {"l-3dmapNew.png"}, {"done"}},
        {"split l.png", 0, {"l-left.png", "l-right.png"}, {"done"}},
        {"batch --list pairs.txt --format png --max-parallax-x 2", 1, {}, {"done", "failed", "failed"}},
        {"batch --list pairs.txt --output-dir pairs.txt", 1, {}, {"failed"}},
        {photo, 0, {"p-xd.bmp", "p-yd.bmp", "p-3dmap.bmp"}, {"done"}},
        {photo + " --keep-orientation --format png", 0, {"p-xd.png", "p-yd.png", "p-3dmap.png"}, {"done"}},
    };
    std::vector<std::vector<Json>> reports;
    for (const SCase& c : cases) {
        int nExit = -1;
        const std::vector<Json>& objects = reports.emplace_back(RunWithJson(folder, c.args, nExit));
        ASSERT_EQ(objects.size(), c.outcomes.size()) << c.args;
        std::multiset<std::string> outcomes;
        for (const Json& object : objects)
            outcomes.insert(object["outcome"].get<std::string>());
        const Json& last = objects.back();
        EXPECT_EQ(std::tuple(nExit, last["exit_code"].get<int>(), outcomes, last.value("written", Json::array()),
                             last["command"]),
                  std::tuple(c.nExit, c.nExit, c.outcomes, Json(c.written), Json(c.args.substr(0, c.args.find(' ')))))
            << c.args;
        for (const std::string& name : c.written)
            EXPECT_TRUE(std::filesystem::exists(folder.File(name))) << name;
    }
    // The map's report names its settings and the range of displacements found, within the limits.
    const Json &depth = reports[0][0], &range = depth["range"];
    EXPECT_EQ(std::tuple(depth["depth_map"], depth["settings"]["max_parallax_x"], depth["settings"]["side"],
                         range["min_dx"] >= -2 && range["max_dx"] >= 1 && range["max_dx"] <= 2, range["max_dy"]),
              std::tuple(Json("l-3dmap.png"), Json(2), Json("left"), true, Json(0)));
    // The photo's map is upright unless its stored pixels are kept.
    const CImage upright = LoadImageFile(folder.File("p-3dmap.bmp")).image,
                 stored = LoadImageFile(folder.File("p-3dmap.png")).image;
    EXPECT_EQ(std::tuple(upright.Width(), upright.Height(), stored.Width(), stored.Height()),
              std::tuple(12, 20, 20, 12));
    // A batch's pairs name their images (or the line that made no pair) and their map, as each ends; its summary
    // counts them.
    std::vector<Json>& batch = reports[6];
    std::sort(batch.begin(), batch.begin() + 2,
              [](const Json& a, const Json& b) { return a["outcome"] < b["outcome"]; });
    EXPECT_EQ(std::tuple(batch[0]["right"], batch[0]["depth_map"], batch[1]["pair"], batch[1]["messages"].size()),
              std::tuple(Json("r.png"), Json("l-3dmap.png"), Json("pairs.txt:2"), 1));
    EXPECT_EQ(std::tuple(batch[2]["summary"], batch[2]["pairs"], batch[2]["done"], batch[2]["failed"]),
              std::tuple(Json(true), Json(2), Json(1), Json(1)));
}
