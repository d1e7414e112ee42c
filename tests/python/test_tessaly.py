"""The module gives tessaly-cli's results on arrays, refuses bad arguments by name, and behaves in Python."""
import os
import signal
import struct
import threading
import time

import numpy as np
import pytest
import tessaly

PAIR_OPTIONS = ["--fragment", "8", "--max-parallax-x", "12"]


def paths(samples):
    return ["--left", os.path.join(samples, "left.png"), "--right", os.path.join(samples, "right.png")]


# tessaly-cli depth's options beside PAIR_OPTIONS, and the same settings for depth_map.
MODES = [([], {}),
         (["--gradient"], dict(gradient=True)),
         (["--speed", "3"], dict(speed=3)),
         (["--side", "right", "--max-parallax-y", "3"], dict(side="right", max_parallax=(12, 3)))]


@pytest.mark.parametrize("options, settings", MODES)
def test_depth_map_gives_the_files_of_the_cli(pair, samples, cli, options, settings):
    files, report = cli("depth", *paths(samples), *PAIR_OPTIONS, *options)
    r = tessaly.depth_map(*pair, **{"fragment": 8, "max_parallax": 12, **settings})
    for name in ("xd", "yd", "3dmap"):
        np.testing.assert_array_equal(r.images[name], files[f"{r.side}-{name}"], err_msg=name)
    np.testing.assert_array_equal(r.depth, r.images["3dmap"][..., 0])
    for displacement, image in ((r.dx, r.images["xd"]), (r.dy, r.images["yd"])):  # green minus blue
        np.testing.assert_array_equal(displacement, image[..., 1].astype(np.int16) - image[..., 2])
    assert list(r.range) == [report["range"][key] for key in ("min_dx", "max_dx", "min_dy", "max_dy")]


def test_outline_and_smooth_give_the_files_of_the_cli(pair, samples, cli):
    cli("depth", *paths(samples), *PAIR_OPTIONS)
    cli("outline", *paths(samples), "--level", "40")
    files, _ = cli("smooth", "--side", "left", *paths(samples)[:2], "--degree", "3")
    outlines = tessaly.outline(*pair, level=40)
    for outline, name in zip(outlines, ("left-outline", "right-outline")):
        np.testing.assert_array_equal(outline, files[name])
    r = tessaly.depth_map(*pair, fragment=8, max_parallax=12)
    np.testing.assert_array_equal(tessaly.smooth(r.images["3dmap"], outlines[0], degree=3), files["left-3dmapNew"])
    np.testing.assert_array_equal(tessaly.smooth(r.depth, outlines[0], degree=3), files["left-3dmapNew"][..., 0])


@pytest.mark.parametrize("layout, options", [("parallel", []), ("cross", ["--cross"])])
def test_split_reads_the_views_the_cli_writes(pair, cli, tmp_path, layout, options):
    scene = tmp_path / "scene.png"
    tessaly.imwrite(scene, np.concatenate(pair, axis=1))
    files, _ = cli("split", str(scene), *options)
    views = tessaly.split(scene, layout=layout)
    np.testing.assert_array_equal(views[0], files["scene-left"])
    np.testing.assert_array_equal(views[1], files["scene-right"])
    tessaly.imwrite(scene, np.concatenate(pair + (pair[0][:, :1],), axis=1))
    with pytest.warns(UserWarning, match="odd width"):
        np.testing.assert_array_equal(tessaly.split(scene, layout=layout)[0], views[0])


def test_images_in_any_layout_give_the_same_map(pair):
    left, right = pair
    expected = tessaly.depth_map(left, right, fragment=4, max_parallax=8).depth
    grey = np.ascontiguousarray(left[..., 1])
    same = [(np.asfortranarray(left), right), (np.ascontiguousarray(left[:, ::-1])[:, ::-1], right),
            (np.pad(left, ((0, 0), (0, 1), (0, 0)))[:, :-1], right[:, :, :])]
    for view in same:
        np.testing.assert_array_equal(tessaly.depth_map(*view, fragment=4, max_parallax=8).depth, expected)
    np.testing.assert_array_equal(tessaly.depth_map(grey, right, fragment=4, max_parallax=8).depth,
                                  tessaly.depth_map(np.repeat(grey[..., None], 3, axis=2), right, fragment=4,
                                                    max_parallax=8).depth)


def bmp_rows(image):
    """A 24-bit BMP's pixels of an RGB array: the bottom row first, blue first, rows padded to 4 bytes."""
    height, width, _ = image.shape
    rows = np.zeros((height, (3 * width + 3) // 4 * 4), np.uint8)
    rows[:, :3 * width] = image[::-1, :, ::-1].reshape(height, 3 * width)
    return rows.tobytes()


def test_arrays_are_rgb_rows_from_the_top(tmp_path):
    image = np.random.default_rng(6).integers(0, 256, (5, 7, 3), dtype=np.uint8)
    rows = bmp_rows(image)
    header = b"BM" + struct.pack("<IHHIIiiHHIIiiII", 54 + len(rows), 0, 0, 54, 40, 7, 5, 1, 24, 0, len(rows),
                                 2835, 2835, 0, 0)
    (tmp_path / "known.bmp").write_bytes(header + rows)
    np.testing.assert_array_equal(tessaly.imread(tmp_path / "known.bmp"), image)
    tessaly.imwrite(tmp_path / "written.bmp", image)
    written = (tmp_path / "written.bmp").read_bytes()
    offset = int.from_bytes(written[10:14], "little")
    assert written[offset:offset + len(rows)] == rows


def test_imwrite_saves_what_imread_reads_and_a_failure_leaves_the_folder(pair, tmp_path):
    for name in ("map.png", "map.BMP", "map.tif"):
        tessaly.imwrite(tmp_path / name, pair[0][..., 0])
        np.testing.assert_array_equal(tessaly.imread(tmp_path / name), np.repeat(pair[0][..., :1], 3, axis=2))
    big = np.random.default_rng(5).integers(0, 256, (2000, 3000, 3), dtype=np.uint8)  # copied in blocks
    tessaly.imwrite(tmp_path / "big.bmp", big)
    np.testing.assert_array_equal(tessaly.imread(tmp_path / "big.bmp"), big)
    with pytest.raises(OSError, match="Couldn't create file"):
        tessaly.imwrite(tmp_path / "missing" / "map.png", pair[0])
    assert sorted(os.listdir(tmp_path)) == ["big.bmp", "map.BMP", "map.png", "map.tif"]


GREY = np.zeros((10, 10), np.uint8)
# (function, arguments, the exception, what its message says)
ERRORS = [
    ("depth_map", dict(fragment=3), ValueError, "fragment takes an even number from 2 to 128, not 3"),
    ("depth_map", dict(fragment=2.0), TypeError, "fragment takes a whole number from 2 to 128, not a float"),
    ("depth_map", dict(speed=True), TypeError, "speed takes a whole number from 1 to 10, not a bool"),
    ("depth_map", dict(speed=11), ValueError, "speed takes a whole number from 1 to 10, not 11"),
    ("depth_map", dict(max_parallax=(129, 0)), ValueError, "max_parallax x takes a whole number from 0 to 128"),
    ("depth_map", dict(max_parallax=(1, 2, 3)), TypeError, "max_parallax takes a whole number or a pair"),
    ("depth_map", dict(side="up"), ValueError, 'side takes left or right, not "up"'),
    ("depth_map", dict(threads=0), ValueError, "threads takes a whole number from 1 to 1024, not 0"),
    ("depth_map", dict(gradient="yes"), TypeError, "gradient takes True or False, not a str"),
    ("depth_map", dict(progress=1), TypeError, "progress takes a function"),
    ("depth_map", dict(left=[[1]]), TypeError, "left takes a uint8 array of shape (H, W, 3), RGB, or (H, W)"),
    ("depth_map", dict(left=GREY.astype(float)), TypeError, "not a float64 array of shape (10, 10)"),
    ("depth_map", dict(right=np.zeros((4, 4, 4), np.uint8)), ValueError, "right takes a uint8 array"),
    ("depth_map", dict(right=GREY[:0]), ValueError, "not an empty uint8 array of shape (0, 10)"),
    ("depth_map", dict(left=np.zeros((1, 40000), np.uint8)), ValueError,
     "The image left is too large (40000 x 1 pixels; the limit is 32768 pixels a side"),
    ("depth_map", dict(speed=6), ValueError, "The image left is too small to be reduced by the speed factor 6."),
    ("outline", dict(level=257), ValueError, "level takes a whole number from 0 to 256, not 257"),
    ("smooth", dict(degree=-1), ValueError, "degree takes a whole number from 0 to 1000, not -1"),
    ("imwrite", dict(path="map.jpg"), ValueError, "path must end in .bmp, .png, .tif or .tiff"),
    ("imwrite", dict(path="map", format="gif"), ValueError, 'format takes bmp, png, tif or tiff, not "gif"'),
    ("imread", dict(path=3), TypeError, "path takes a path (str, bytes or os.PathLike), not an int"),
    ("imread", dict(path="no-such.png"), FileNotFoundError, "No such file"),
    ("imread", dict(path=__file__), OSError, "test_tessaly.py: not a readable image"),
    ("split", dict(path=__file__, layout="mpo"), ValueError, "Couldn't split " + __file__ + ": it is not a JPEG file"),
    ("split", dict(path=__file__, layout="side"), ValueError, 'layout takes mpo, cross or parallel, not "side"'),
]
DEFAULTS = {"depth_map": dict(left=GREY, right=GREY, max_parallax=1), "outline": dict(left=GREY, right=GREY),
            "smooth": dict(depth=GREY, outline=GREY), "imwrite": dict(image=GREY)}


@pytest.mark.parametrize("function, arguments, error, message", ERRORS)
def test_bad_arguments_are_refused_by_name(tmp_path, monkeypatch, function, arguments, error, message):
    monkeypatch.chdir(tmp_path)
    with pytest.raises(error) as raised:
        getattr(tessaly, function)(**{**DEFAULTS.get(function, {}), **arguments})
    assert message in str(raised.value)
    assert os.listdir(tmp_path) == []


def test_an_exception_in_progress_stops_the_job_and_is_raised(textured):
    calls = []

    def progress(stage, done, total):
        calls.append((stage, done, total))
        if done == 5:
            raise KeyError("enough")
    with pytest.raises(KeyError, match="enough"):
        tessaly.depth_map(*textured, fragment=4, max_parallax=16, progress=progress)
    assert calls == [("Depth map creating", done, 150) for done in range(6)]
    calls.clear()
    tessaly.depth_map(*textured, fragment=4, max_parallax=16, gradient=True, progress=lambda *call: calls.append(call))
    assert [call[0] for call in calls if call[1] == 0] == ["Gradient image creating"] * 2 + ["Depth map creating"] * 2
    assert all(b[1] == a[1] + 1 for a, b in zip(calls, calls[1:]) if b[1] != 0)


def test_ctrl_c_stops_a_job_soon_and_python_goes_on(textured):
    big = tuple(np.tile(view, (2, 2, 1)) for view in textured)
    sent = []
    timer = threading.Timer(0.2, lambda: (sent.append(time.perf_counter()), os.kill(os.getpid(), signal.SIGINT)))
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        tessaly.depth_map(*big, fragment=8, max_parallax=(32, 2), reference=True)
    assert time.perf_counter() - sent[0] < 0.5
    assert tessaly.depth_map(*textured, fragment=4, max_parallax=8).depth.shape == (150, 400)


def test_other_python_threads_run_while_a_map_is_made(textured):
    worker = threading.Thread(target=tessaly.depth_map, args=textured,
                              kwargs=dict(fragment=8, max_parallax=(16, 2), reference=True))
    ticks = 0
    worker.start()
    while worker.is_alive():
        ticks += 1
    assert ticks > 10000


def test_one_and_two_threads_give_the_same_map(textured):
    maps = [tessaly.depth_map(*textured, fragment=4, max_parallax=(16, 2), gradient=True, threads=n) for n in (1, 2)]
    for name in ("xd", "yd", "3dmap"):
        np.testing.assert_array_equal(maps[0].images[name], maps[1].images[name])


def test_a_thousand_calls_do_not_grow_the_process(pair):
    def resident():
        with open("/proc/self/statm") as statm:
            return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")

    def call():
        r = tessaly.depth_map(*pair, fragment=4, max_parallax=8)
        tessaly.smooth(r.depth, tessaly.outline(*pair)[0])
    for _ in range(50):
        call()
    before = resident()
    for _ in range(1000):
        call()
    assert resident() - before < 4 << 20
