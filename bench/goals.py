#!/usr/bin/python3
"""The goal table: each goal measured in one run against what it is judged by, and whether it is met.

Usage: goals.py TESSALY_CLI TESSALY_BENCH SHARED_FOLDER WORK_FOLDER [RUNS]
Measures, RUNS (default 5; 1 for a quick try) standing for the number of runs:
- whole jobs at 3600 x 3000 (the cones pair enlarged 8 times, bicubic, and the same
  pair with seeded Gaussian noise of sigma 2 added to every channel of both views), S 16, HP 64, with
  PNG, BMP, and gradient with speed 2 and PNG output, against the peer's whole job (opencv_job.py,
  128 disparities): hyperfine medians of RUNS runs and their ratio;
- the PNG job at 3600 x 3000 on 2 threads against 1 thread (hyperfine medians);
- the peak resident memory in bytes per pixel at 4000 x 3000 (the cones pair resized bicubic), one
  run of each mode (plain, VP 4, gradient, speed 2) under /usr/bin/time -v;
- the fast search alone, S 16, HP 32, single-threaded (tessaly-bench), against StereoBM on one thread
  (opencv_peer.py, 15 x 15, 64 disparities) on the cones pair: 3 rounds taking turns, 5 x RUNS
  repetitions each, the ratio of the medians of the rounds' medians.
Then prints one line per goal: the measured value, the goal, met or missed. The pairs are made once
in WORK_FOLDER (the enlarged pair in x8, as photo_jobs.py makes it); the depth maps land beside them."""
import json, os, re, shlex, statistics, subprocess, sys, tempfile
import cv2
import numpy as np

JOBS = [("png", "--format png"), ("bmp", "--format bmp"), ("gradient, speed 2, png", "--gradient --speed 2 --format png")]
NOISE_SIGMA, NOISE_SEED = 2.0, 1
MEMORY_SIZE = (4000, 3000)
MEMORY_MODES = [("plain", ""), ("VP 4", "--max-parallax-y 4"), ("gradient", "--gradient"), ("speed 2", "--speed 2")]
JOB_GOALS = {"png": ("PNG", 0.7), "bmp": ("BMP", 0.5), "gradient, speed 2, png": ("gradient speed 2 PNG", 0.9)}
THREADS_GOAL, MEMORY_GOAL, SEARCH_GOAL = 0.6, 24.0, 0.5
SEARCH_ROUNDS = 3

def cones_pair(shared, folder, resize):
    """The cones pair passed through RESIZE (an image to an image), made once in FOLDER as left.png and right.png."""
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, name) for name in ("left.png", "right.png")]
    for source, path in zip(("im2.png", "im6.png"), paths):
        if not os.path.exists(path):
            cv2.imwrite(path, resize(cv2.imread(os.path.join(shared, "data", "cones", source), cv2.IMREAD_COLOR)))
    return paths

def pair(shared, work, factor):
    """The cones pair enlarged FACTOR times (bicubic), made once in WORK/xFACTOR; photo_jobs.py uses it too."""
    return cones_pair(shared, os.path.join(work, f"x{factor}"),
                      lambda image: cv2.resize(image, None, fx=factor, fy=factor, interpolation=cv2.INTER_CUBIC))

def noisy_pair(left, right, folder):
    """LEFT and RIGHT with Gaussian noise of NOISE_SIGMA on every channel (one generator of NOISE_SEED for
    both views, left first), rounded and clipped to 8 bits, made once in FOLDER."""
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, name) for name in ("left.png", "right.png")]
    if not all(os.path.exists(p) for p in paths):
        random = np.random.default_rng(NOISE_SEED)
        for source, path in zip((left, right), paths):
            image = cv2.imread(source, cv2.IMREAD_COLOR).astype(np.float32)
            image += NOISE_SIGMA * random.standard_normal(image.shape, dtype=np.float32)
            cv2.imwrite(path, np.clip(np.rint(image), 0, 255).astype(np.uint8))
    return paths

def sized_pair(shared, folder, size):
    """The cones pair resized (bicubic) to exactly SIZE = (width, height), made once in FOLDER."""
    return cones_pair(shared, folder, lambda image: cv2.resize(image, size, interpolation=cv2.INTER_CUBIC))

def size_of(path):
    height, width = cv2.imread(path, cv2.IMREAD_UNCHANGED).shape[:2]
    return width, height

def medians(commands, runs):
    """Median seconds of each command from one hyperfine run (one warm-up, then RUNS runs of each, in turn)."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run(["hyperfine", "--warmup", "1", "--runs", str(runs), "--style", "none",
                        "--export-json", out.name, *commands], check=True, stdout=subprocess.DEVNULL)
        return [result["median"] for result in json.load(open(out.name))["results"]]

def quoted(*args):
    return " ".join(shlex.quote(a) for a in args)

def peer_command(shared, left, right):
    out = os.path.join(os.path.dirname(left), "peer.png")
    return quoted("/usr/bin/python3", os.path.join(shared, "bench", "opencv_job.py"), left, right, out, "128")

def job_command(cli, left, right, options):
    return quoted(cli, "depth", "--left", left, "--right", right, "--fragment", "16", "--max-parallax-x", "64") \
        + " " + options

def jobs_against_peer(cli, shared, left, right, runs):
    """{job name: (ours, peer, ratio)}: the peer and the three jobs in one hyperfine run."""
    commands = [peer_command(shared, left, right)] + [job_command(cli, left, right, o) for _, o in JOBS]
    peer_time, *ours = medians(commands, runs)
    return {name: (t, peer_time, t / peer_time) for (name, _), t in zip(JOBS, ours)}

def threads(cli, left, right, runs):
    """(1 thread, 2 threads): medians of the PNG job."""
    options = dict(JOBS)["png"]
    return tuple(medians([f"{job_command(cli, left, right, options)} --threads {n}" for n in (1, 2)], runs))

def peak_memory(cli, left, right, options):
    """Maximum resident set size in bytes of one depth job, PNG output."""
    command = shlex.split(job_command(cli, left, right, f"{options} --format png"))
    done = subprocess.run(["/usr/bin/time", "-v", *command], check=True, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True)
    return int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", done.stderr).group(1)) * 1024

UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}

def search_ours(bench, left, right, repetitions):
    """Median seconds of the fast search, S 16, HP 32, one thread, from tessaly-bench's JSON."""
    done = subprocess.run([bench, "--left", left, "--right", right, "--repetitions", str(repetitions),
                           "--benchmark_filter=^fast/S16HP32VP0/threads:1/", "--benchmark_format=json"],
                          check=True, stdout=subprocess.PIPE, text=True)
    [median] = [b for b in json.loads(done.stdout)["benchmarks"] if b.get("aggregate_name") == "median"]
    return median["real_time"] * UNITS[median["time_unit"]]

def search_peer(shared, left, right, repetitions):
    """Median seconds of StereoBM on one thread, from opencv_peer.py's line "threads=1 StereoBM 0.00503s ..."."""
    done = subprocess.run(["/usr/bin/python3", os.path.join(shared, "bench", "opencv_peer.py"), left, right,
                           "15", "64", str(repetitions)], check=True, stdout=subprocess.PIPE, text=True)
    return float(re.search(r"^threads=1 StereoBM ([0-9.eE+-]+)s", done.stdout, re.M).group(1))

def search_rounds(bench, shared, left, right, repetitions, rounds=SEARCH_ROUNDS):
    """[(ours, peer)] of each round, ours first in each."""
    results = []
    for n in range(rounds):
        ours = search_ours(bench, left, right, repetitions)
        peer = search_peer(shared, left, right, repetitions)
        print(f"  round {n + 1}: ours {ours * 1e3:8.3f} ms  StereoBM {peer * 1e3:8.3f} ms  ratio {ours / peer:5.2f}",
              flush=True)
        results.append((ours, peer))
    return results

def main():
    cli, bench, shared, work = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
    runs = max(1, int(sys.argv[5]) if len(sys.argv) > 5 else 5)
    os.makedirs(work, exist_ok=True)
    goals = []  # (name, measured, goal, format of the numbers)

    clean = pair(shared, work, 8)
    noisy = noisy_pair(*clean, os.path.join(work, "x8-noisy"))
    width, height = size_of(clean[0])
    print(f"== Whole jobs at {width} x {height}, S 16, HP 64, against the peer's whole job")
    print(f"   (opencv_job.py, 128 disparities), medians of {runs} runs")
    print(f"   (noisy: Gaussian noise of sigma {NOISE_SIGMA:g} on every channel of both views, seed {NOISE_SEED})")
    print(f"{'pair':<6} {'job':<24} {'ours':>8} {'peer':>8} {'ratio':>6}")
    for label, (left, right) in (("clean", clean), ("noisy", noisy)):
        for name, (ours, peer_time, ratio) in jobs_against_peer(cli, shared, left, right, runs).items():
            print(f"{label:<6} {name:<24} {ours:>7.3f}s {peer_time:>7.3f}s {ratio:>6.2f}", flush=True)
            short, goal = JOB_GOALS[name]
            goals.append((f"{short} job / peer, {label} {width}x{height}", ratio, goal, ".3f"))

    print(f"\n== PNG job at {width} x {height}, 2 threads against 1 thread, medians of {runs} runs")
    one, two = threads(cli, *clean, runs)
    print(f"  1 thread {one:7.3f}s  2 threads {two:7.3f}s  ratio {two / one:5.2f}", flush=True)
    goals.append((f"PNG job {width}x{height}, 2 threads / 1 thread", two / one, THREADS_GOAL, ".3f"))

    left, right = sized_pair(shared, os.path.join(work, "%dx%d" % MEMORY_SIZE), MEMORY_SIZE)
    pixels = MEMORY_SIZE[0] * MEMORY_SIZE[1]
    print(f"\n== Peak memory at {MEMORY_SIZE[0]} x {MEMORY_SIZE[1]}, S 16, HP 64, PNG (one run each)")
    for mode, options in MEMORY_MODES:
        peak = peak_memory(cli, left, right, options)
        print(f"  {mode:<9} {peak / 2**20:7.1f} MiB  {peak / pixels:5.1f} B/pixel", flush=True)
        goals.append((f"peak memory {MEMORY_SIZE[0]}x{MEMORY_SIZE[1]}, {mode}, B/pixel", peak / pixels, MEMORY_GOAL,
                      ".2f"))

    repetitions = 5 * runs
    left, right = (os.path.join(shared, "data", "cones", name) for name in ("im2.png", "im6.png"))
    print("\n== Search alone on the cones pair, S 16, HP 32, one thread, against StereoBM on one thread")
    print(f"   (15 x 15, 64 disparities), {SEARCH_ROUNDS} rounds taking turns, medians of {repetitions} runs each")
    rounds = search_rounds(bench, shared, left, right, repetitions)
    ours = statistics.median(o for o, _ in rounds)
    peer_time = statistics.median(p for _, p in rounds)
    print(f"  medians: ours {ours * 1e3:8.3f} ms  StereoBM {peer_time * 1e3:8.3f} ms  ratio {ours / peer_time:5.2f}")
    goals.append(("search S16 HP32 1 thread / StereoBM 1 thread", ours / peer_time, SEARCH_GOAL, ".3f"))

    print("\n== Goals")
    print(f"{'goal':<50} {'measured':>8} {'goal':>8}  result")
    for name, measured, goal, form in goals:
        print(f"{name:<50} {measured:>8{form}} {'<= ' + format(goal, form):>8}  "
              f"{'met' if measured <= goal else 'missed'}")
    missed = sum(measured > goal for _, measured, goal, _ in goals)
    print(f"{len(goals) - missed} of {len(goals)} goals met")

if __name__ == "__main__":
    main()
