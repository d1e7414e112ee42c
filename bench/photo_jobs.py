#!/usr/bin/python3
"""Whole jobs at photo sizes: tessaly-cli depth against the peer's whole job (opencv_job.py), as processes.

Usage: photo_jobs.py TESSALY_CLI SHARED_FOLDER WORK_FOLDER [RUNS]
Makes the cones pair of SHARED_FOLDER/data/cones enlarged 2, 4 and 8 times (bicubic: 900 x 750,
1800 x 1500, 3600 x 3000) once in WORK_FOLDER, times each job with hyperfine (median of RUNS runs,
3 at least) and prints a table: the median, the ratio to the peer's median of the same size, and
the cost per pixel."""
import json, os, subprocess, sys, tempfile
import cv2

cli, shared, work = sys.argv[1], sys.argv[2], sys.argv[3]
runs = max(3, int(sys.argv[4]) if len(sys.argv) > 4 else 5)
os.makedirs(work, exist_ok=True)
peer = os.path.join(shared, "bench", "opencv_job.py")

def pair(factor):
    folder = os.path.join(work, f"x{factor}")
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, name) for name in ("left.png", "right.png")]
    for source, path in zip(("im2.png", "im6.png"), paths):
        if not os.path.exists(path):
            image = cv2.imread(os.path.join(shared, "data", "cones", source), cv2.IMREAD_COLOR)
            cv2.imwrite(path, cv2.resize(image, None, fx=factor, fy=factor, interpolation=cv2.INTER_CUBIC))
    return paths

def median(command):
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run(["hyperfine", "--warmup", "1", "--runs", str(runs), "--style", "none",
                        "--export-json", out.name, command], check=True, stdout=subprocess.DEVNULL)
        return json.load(open(out.name))["results"][0]["median"]

jobs = [("png", "--format png"), ("bmp", "--format bmp"), ("gradient, speed 2, png", "--gradient --speed 2 --format png")]
print(f"{'size':>11} {'job':<24} {'ours':>8} {'peer':>8} {'ratio':>6} {'ns/pixel':>9}")
for factor in (2, 4, 8):
    left, right = pair(factor)
    height, width = cv2.imread(left, cv2.IMREAD_UNCHANGED).shape[:2]
    pixels = width * height
    peer_time = median(f"/usr/bin/python3 {peer} {left} {right} {os.path.dirname(left)}/peer.png 128")
    for name, options in jobs:
        ours = median(f"{cli} depth --left {left} --right {right} --fragment 16 --max-parallax-x 64 {options}")
        print(f"{width:>5} x {height:<4} {name:<24} {ours:>7.3f}s {peer_time:>7.3f}s {ours / peer_time:>6.2f} "
              f"{ours / pixels * 1e9:>9.1f}", flush=True)
