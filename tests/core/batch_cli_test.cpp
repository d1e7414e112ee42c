// tessaly-cli split, depth --pair and batch: the maps of single depth runs, folder pairing, shards, resuming, bad
// input.
#include "cli/batch_pairs.h"
#include "cli/commands.h"
#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "fuzz/mpo_writer.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <sstream>
#include <thread>

namespace {

using TArgs = std::vector<std::string>;

struct SRun {
    int nExit;
    std::string out, err;
};

SRun RunCommand(int (*pCommand)(const TArgs&), const TArgs& args)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int nExit = pCommand(args);
    return {nExit, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
}

TArgs Lines(const std::string& text)
{
    TArgs lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// One pair in every form a batch takes: by two naming conventions, as an MPO and as a cross-eyed JPS.
void WritePairs(const CTempFolder& folder)
{
    std::mt19937 random(11);
    const CImage left = RandomImage(20, 12, random);
    const CImage right = ShiftedCopy(left, 2, random);
    SaveImageFile(left, folder.File("a_L.png"), kFormatPng);
    SaveImageFile(right, folder.File("a_r.bmp"), kFormatBmp);
    SaveImageFile(left, folder.File("b-LEFT.tif"), kFormatTiff);
    SaveImageFile(right, folder.File("b-right.png"), kFormatPng);
    WriteBytes(folder.File("c.mpo"), WriteMpo({EncodeJpeg(left), EncodeJpeg(right)}));
    CImage crossed(40, 12);
    for (int y = 0; y < 12; ++y) {
        std::memcpy(crossed.Pixel(0, y), right.Pixel(0, y), right.Pitch());
        std::memcpy(crossed.Pixel(20, y), left.Pixel(0, y), left.Pitch());
    }
    WriteBytes(folder.File("d.jps"), EncodeJpeg(crossed));
}

const TArgs kSettings = {"--max-parallax-x", "3", "--format", "png", "--side", "right"};

TArgs With(TArgs args, const TArgs& more = kSettings)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

} // namespace

// A second run finds the stereo files' views of the first and takes them as
// theirs; with --skip-done it runs only the pairs without a map newer than their
// images. File times are coarse: a map made within the same tick as its images
// would not count as newer.
TEST(BatchCli, MakesTheFilesOfSingleDepthRunsAndSkipsThePairsDoneBefore)
{
    CTempFolder batch, single;
    WritePairs(batch);
    WritePairs(single);
    for (const std::string& name : batch.Files())
        std::filesystem::last_write_time(batch.File(name),
                                         std::filesystem::file_time_type::clock::now() - std::chrono::seconds(10));
    SRun run = RunCommand(RunBatchCommand, With({batch.Path(), "--jobs", "2"}));
    EXPECT_EQ(std::pair(run.nExit, Lines(run.out)),
              std::pair(kExitDone,
                        TArgs{batch.File("a_r-3dmap.png"), batch.File("b-right-3dmap.png"),
                              batch.File("c-right-3dmap.png"), batch.File("d-right-3dmap.png")}))
        << run.err;
    std::filesystem::remove(batch.File("b-right-3dmap.png"));
    const auto later = std::filesystem::last_write_time(batch.File("c-right-3dmap.png")) + std::chrono::seconds(5);
    std::filesystem::last_write_time(batch.File("c.mpo"), later);
    run = RunCommand(RunBatchCommand, With({batch.Path(), "--jobs", "2", "--skip-done"}));
    EXPECT_EQ(std::pair(run.nExit, Lines(run.out)),
              std::pair(kExitDone, TArgs{batch.File("b-right-3dmap.png"), batch.File("c-right-3dmap.png")}));
    EXPECT_NE(run.err.find("2 done, 0 failed, 2 skipped"), std::string::npos) << run.err;
    const auto file = [&](const char* szName) { return single.File(szName); };
    for (const TArgs& pair : {TArgs{"--left", file("a_L.png"), "--right", file("a_r.bmp")},
                              TArgs{"--left", file("b-LEFT.tif"), "--right", file("b-right.png")},
                              TArgs{"--pair", file("c.mpo")}, TArgs{"--pair", file("d.jps")}})
        EXPECT_EQ(RunCommand(RunDepthCommand, With(pair)).nExit, kExitDone);
    EXPECT_EQ(batch.Contents(), single.Contents());
}

TEST(BatchCli, FolderPairsByNameAndReportsWhatDoesNotPair)
{
    CTempFolder folder;
    for (const char* szName :
         {"a_L.png",       "a_R.jpg",   "b-Left.bmp",       "b_r.TIFF",   "c.mpo",      "c-left.jpg",  "c-right.jpg",
          "d_L.png",       "d_R.png",   "d_R.jpg",          "e-left.png", "f.png",      "g.JPS",       "g.mpo",
          "a_L-3dmap.bmp", "notes.txt", ".a_L.png.1-2.tmp", "h.jps",      "h-left.jpg", "h-right.jpg", "i.jps",
          "i-left.png"})
        WriteBytes(folder.File(szName), "x");
    std::vector<SBatchPair> pairs;
    ASSERT_TRUE(PairFolder(folder.Path(), kFormatPng, pairs));
    TArgs labels;
    for (const SBatchPair& pair : TakeShard(pairs, {}))
        labels.push_back(pair.Label() + (pair.strProblem.empty() ? "" : ": " + pair.strProblem)
                         + (pair.HasViews() ? " with " + pair.strViewsLeft + " + " + pair.strViewsRight : ""));
    const std::string dir = folder.Path().string() + "/";
    // The images under an MPO's view names go with it; a JPS's views in PNG
    // would take the result names of a pair in JPEG, which runs instead.
    EXPECT_EQ(labels,
              (TArgs{dir + "a_L.png + " + dir + "a_R.jpg", dir + "b-Left.bmp + " + dir + "b_r.TIFF",
                     dir + "c.mpo with " + dir + "c-left.jpg + " + dir + "c-right.jpg",
                     dir + "d_L.png, " + dir + "d_R.jpg, " + dir + "d_R.png: more than one left or right "
                         + "image named d; move or rename the extra ones",
                     dir + "e-left.png: no right image named e",
                     dir + "f.png: no _L/_R or -left/-right in its name to pair it by",
                     dir + "g.JPS, " + dir + "g.mpo: more than one stereo file named g",
                     dir + "h-left.jpg + " + dir + "h-right.jpg",
                     dir + "h.jps: its views would take the names of the results of " + dir + "h-left.jpg + " + dir
                         + "h-right.jpg; rename one of them",
                     dir + "i.jps"}));
}

TEST(BatchCli, ShardsOfAListRunEveryLineOnce)
{
    CTempFolder folder;
    WritePairs(folder);
    WriteBytes(folder.File("pairs.txt"),
               "\xEF\xBB\xBF# shots\n  a_L.png\ta_r.bmp\n\nb-LEFT.tif  b-right.png\nc.mpo\n" + folder.File("d.jps")
                   + "\na_L.png\nx_L.png x_R.png\n");
    TArgs made, failed;
    for (const auto& [szShard, nExit] : {std::pair{"1/3", kExitDone}, {"2/3", kExitDone}, {"3/3", kExitFailed}}) {
        const SRun run = RunCommand(RunBatchCommand, With({"--list", folder.File("pairs.txt"), "--shard", szShard}));
        EXPECT_EQ(run.nExit, nExit) << szShard;
        const TArgs out = Lines(run.out), err = Lines(run.err);
        made.insert(made.end(), out.begin(), out.end());
        std::copy_if(err.begin(), err.end(), std::back_inserter(failed),
                     [](const std::string& line) { return line.find("pairs.txt:") != std::string::npos; });
    }
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made,
              (TArgs{folder.File("a_r-3dmap.png"), folder.File("b-right-3dmap.png"), folder.File("c-right-3dmap.png"),
                     folder.File("d-right-3dmap.png")}));
    EXPECT_EQ(failed,
              (TArgs{folder.File("pairs.txt:7: needs a left and a right image, or one .mpo or .jps file"),
                     folder.File("pairs.txt:8: no such file: ") + folder.File("x_L.png")}));
}

// "--list -" reads standard input, whose relative paths start at the current
// folder; a line longer than any list needs (a device piped in) is no list.
TEST(BatchCli, ReadsAListFromStandardInput)
{
    CTempFolder folder;
    WritePairs(folder);
    const std::string list = folder.File("a_L.png") + "\t" + folder.File("a_r.bmp") + "\nnone_L.png none_R.png\n";
    for (const auto& [input, nExit, out, err] :
         {std::tuple(list, kExitFailed, folder.File("a_r-3dmap.png") + "\n", "stdin:2: no such file: none_L.png"),
          {std::string(70000, 'x'), kExitUsage, std::string(), "cannot read the list -"}}) {
        std::istringstream stream(input);
        std::streambuf* pStdin = std::cin.rdbuf(stream.rdbuf());
        const SRun run = RunCommand(RunBatchCommand, With({"--list", "-"}));
        std::cin.rdbuf(pStdin);
        EXPECT_EQ(std::tuple(run.nExit, run.out, run.err.find(err) != std::string::npos), std::tuple(nExit, out, true))
            << run.err;
    }
}

TEST(BatchCli, UsageErrorsTouchNoFileAndSplitPrintsBothViews)
{
    CTempFolder folder;
    WritePairs(folder);
    const TArgs before = folder.Files();
    const std::string dir = folder.Path().string(), mpo = folder.File("c.mpo"), jps = folder.File("d.jps");
    for (const TArgs& args : {TArgs{}, TArgs{dir, "--list", mpo}, TArgs{dir, "--shard", "4/3"},
                              TArgs{dir, "--shard", "0/3"}, TArgs{dir, "--shard", "1/0"}, TArgs{dir, "--shard", "1"},
                              TArgs{dir, "--shard", "a/b"}, TArgs{dir, "--jobs", "0"}, TArgs{dir, "--fragment", "3"},
                              TArgs{mpo}, TArgs{"--list", folder.File("none.txt")}})
        EXPECT_EQ(RunCommand(RunBatchCommand, args).nExit, kExitUsage) << testing::PrintToString(args);
    for (const TArgs& args : {TArgs{}, TArgs{mpo, jps}, TArgs{mpo, "--cross"}, TArgs{jps, "--cross", "--parallel"},
                              TArgs{jps, "--format", "jpg"}})
        EXPECT_EQ(RunCommand(RunSplitCommand, args).nExit, kExitUsage) << testing::PrintToString(args);
    for (const TArgs& args : {TArgs{"--pair", mpo, "--left", mpo}, TArgs{"--left", mpo, "--right", jps, "--cross"}})
        EXPECT_EQ(RunCommand(RunDepthCommand, args).nExit, kExitUsage) << testing::PrintToString(args);
    EXPECT_EQ(folder.Files(), before);
    const SRun run = RunCommand(RunSplitCommand, {jps, "--parallel", "--format", "bmp"});
    EXPECT_EQ(run.out, folder.File("d-left.bmp") + "\n" + folder.File("d-right.bmp") + "\n");
}

// A stereo file beside the user's own pair under its views' names (another
// shot, or the same one edited): the stereo file fails, naming both, and the
// user's pair runs as its own pair, its images untouched. Which names are
// the views' is the folder pairing's to decide.
TEST(BatchCli, AStereoFileNeverReplacesTheUsersOwnPair)
{
    CTempFolder folder;
    WritePairs(folder);
    std::filesystem::remove(folder.File("c.mpo"));
    const std::string left = folder.File("d-left.bmp"), right = folder.File("d-right.bmp");
    std::mt19937 random(4);
    SaveImageFile(RandomImage(20, 12, random), left, kFormatBmp);
    std::filesystem::copy_file(left, right);
    const std::string mine = ReadBytes(left);
    const SRun run = RunCommand(RunBatchCommand, {folder.Path(), "--max-parallax-x", "3"});
    const std::string jps = folder.File("d.jps");
    EXPECT_NE(run.err.find(jps + ": Couldn't split " + jps + ": its left view would replace " + left),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("4 pairs, 3 done, 1 failed"), std::string::npos) << run.err;
    EXPECT_EQ(std::tuple(run.nExit, Lines(run.out).back(), ReadBytes(left), ReadBytes(right)),
              std::tuple(kExitFailed, folder.File("d-left-3dmap.bmp"), mine, mine));
}

// What a single job says, a batch says too, on stderr under the pair's label:
// the wait for another job, why a file could not be read, an odd width.
TEST(BatchCli, ABatchSaysWhatItsJobsSay)
{
    CTempFolder folder;
    std::mt19937 random(6);
    WriteBytes(folder.File("odd.jps"), EncodeJpeg(RandomImage(41, 8, random)));
    SaveImageFile(RandomImage(20, 12, random), folder.File("cut_L.png"), kFormatPng);
    WriteBytes(folder.File("cut_R.png"), ReadBytes(folder.File("cut_L.png")).substr(0, 60));
    // Another job holds the folder until the batch has waited for it.
    const int nFolder = ::open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(nFolder, LOCK_EX), 0);
    std::jthread other([nFolder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::close(nFolder);
    });
    const SRun run = RunCommand(RunBatchCommand, {folder.Path(), "--jobs", "1"});
    const std::string cut = folder.File("cut_L.png") + " + " + folder.File("cut_R.png");
    for (const std::string& line :
         {folder.File("odd.jps") + ": The image " + folder.File("odd.jps") + " has an odd width (41 pixels)",
          cut + ": Waiting for another job writing in " + folder.Path().string() + "/ to finish...",
          cut + ": Couldn't load bitmap!", cut + ": " + folder.File("cut_R.png") + ": "})
        EXPECT_NE(run.err.find(line), std::string::npos) << line << "\n" << run.err;
}

// With --output-dir a batch mirrors the pairs' folders under it, so that two left.png never meet: a list's pairs
// go under their folder relative to the list's, one outside it under its whole path; a FOLDER's stereo files are
// split there too. No source folder gains a file, and --skip-done finds the maps where they went.
TEST(BatchCli, OutputDirKeepsThePairsOfEachFolderApart)
{
    CTempFolder base, other, stereo, out;
    std::mt19937 random(3);
    const CImage left = RandomImage(20, 12, random);
    for (const std::string& folder : {base.File("sub1"), base.File("sub2"), other.Path().string()}) {
        std::filesystem::create_directories(folder);
        SaveImageFile(left, folder + "/left.png", kFormatPng);
        SaveImageFile(ShiftedCopy(left, 2, random), folder + "/right.png", kFormatPng);
        // Maps made within the tick of their images would not count as done.
        for (const char* szName : {"/left.png", "/right.png"})
            std::filesystem::last_write_time(folder + szName,
                                             std::filesystem::file_time_type::clock::now() - std::chrono::seconds(10));
    }
    WriteBytes(base.File("pairs.txt"),
               "sub1/left.png sub1/right.png\nsub2/left.png\tsub2/right.png\n" + other.File("left.png") + " "
                   + other.File("right.png") + "\n");
    WritePairs(stereo);
    const auto tree = [&] {
        TArgs files;
        for (const CTempFolder* pFolder : {&base, &other, &stereo})
            for (const auto& entry : std::filesystem::recursive_directory_iterator(pFolder->Path()))
                files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        return files;
    };
    const TArgs before = tree();
    const std::string maps = out.File("maps"), mirror = maps + other.Path().string(), flat = out.File("flat");
    const TArgs list = {"--list", base.File("pairs.txt"), "--output-dir", maps};
    for (const auto& [args, made, summary] :
         {std::tuple(With(list),
                     TArgs{mirror + "/right-3dmap.png", maps + "/sub1/right-3dmap.png", maps + "/sub2/right-3dmap.png"},
                     "3 done, 0 failed, 0 skipped"),
          {With(list, With({"--skip-done"})), TArgs{}, "0 done, 0 failed, 3 skipped"},
          {With({stereo.Path(), "--output-dir", flat}),
           TArgs{flat + "/a_r-3dmap.png", flat + "/b-right-3dmap.png", flat + "/c-right-3dmap.png",
                 flat + "/d-right-3dmap.png"},
           "4 done, 0 failed, 0 skipped"}}) {
        const SRun run = RunCommand(RunBatchCommand, args);
        TArgs sorted = made;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::tuple(run.nExit, Lines(run.out), run.err.find(summary) != std::string::npos),
                  std::tuple(kExitDone, sorted, true))
            << run.err;
    }
    EXPECT_EQ(tree(), before);
    EXPECT_TRUE(std::filesystem::exists(flat + "/c-left.jpg") && std::filesystem::exists(flat + "/d-right.png"));
}
