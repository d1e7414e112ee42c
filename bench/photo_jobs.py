#!/usr/bin/python3
"""Whole jobs at photo sizes: tessaly-cli depth against the peer's whole job (opencv_job.py), as processes.

Usage: photo_jobs.py TESSALY_CLI SHARED_FOLDER WORK_FOLDER [RUNS]
Makes the cones pair of SHARED_FOLDER/data/cones enlarged 2, 4 and 8 times (bicubic: 900 x 750,
1800 x 1500, 3600 x 3000) once in WORK_FOLDER, times each job with hyperfine (median of RUNS runs,
3 at least) and prints a table: the median, the ratio to the peer's median of the same size, and
the cost per pixel."""
import os, sys
import goals  # beside this script: the enlarged pairs are made once, for both

cli, shared, work = sys.argv[1], sys.argv[2], sys.argv[3]
runs = max(3, int(sys.argv[4]) if len(sys.argv) > 4 else 5)
os.makedirs(work, exist_ok=True)

def median(command):
    return goals.medians([command], runs)[0]

print(f"{'size':>11} {'job':<24} {'ours':>8} {'peer':>8} {'ratio':>6} {'ns/pixel':>9}")
for factor in (2, 4, 8):
    left, right = goals.pair(shared, work, factor)
    width, height = goals.size_of(left)
    pixels = width * height
    peer_time = median(goals.peer_command(shared, left, right))
    for name, options in goals.JOBS:
        ours = median(goals.job_command(cli, left, right, options))
        print(f"{width:>5} x {height:<4} {name:<24} {ours:>7.3f}s {peer_time:>7.3f}s {ours / peer_time:>6.2f} "
              f"{ours / pixels * 1e9:>9.1f}", flush=True)
