#!/usr/bin/python3
"""The Python module against the core and the command line: one depth map at 3600 x 3000, in one run.

Usage: python_module.py TESSALY_CLI TESSALY_BENCH PYTHON_MODULE_DIR SHARED_FOLDER WORK_FOLDER [RUNS]
On the cones pair enlarged 8 times (made once in WORK_FOLDER/x8, as goals.py makes it), S 16, HP 64,
speed 1, source comparison, left map, every usable CPU, medians of RUNS runs (default 5):
- the job in memory in the core (tessaly-bench's job/in_memory/S16HP64, the decoding left out) and
  tessaly.depth_map on the pair already read with tessaly.imread (PYTHON_MODULE_DIR, a build's python/
  folder, comes first on the import path; its depth array taken in the time), taking turns, each
  timed job right after an untimed one;
- the tessaly-cli depth job with PNG and with BMP files (hyperfine, one warm-up).
Prints each median and its ratio to the core's, then whether the module stays within 1.05 times the
core's time and beats the command line's faster job."""
import json, os, statistics, subprocess, sys, time
import goals  # beside this script

CORE_GOAL = 1.05
CLI_JOBS = [("png", "--format png"), ("bmp", "--format bmp")]

def core_once(bench, left, right):
    """Seconds of one in-memory job in the core (after tessaly-bench's untimed one), from its JSON."""
    done = subprocess.run([bench, "--left", left, "--right", right, "--repetitions", "1",
                           "--benchmark_filter=^job/in_memory/S16HP64/", "--benchmark_format=json"],
                          check=True, stdout=subprocess.PIPE, text=True)
    [run] = json.loads(done.stdout)["benchmarks"]
    return run["real_time"] * goals.UNITS[run["time_unit"]]

def module_job(module_dir, left, right):
    """A function timing one tessaly.depth_map on the pair, read beforehand, its first call made untimed."""
    sys.path.insert(0, module_dir)
    import tessaly
    if not os.path.abspath(tessaly.__file__).startswith(os.path.abspath(module_dir) + os.sep):
        sys.exit(f"python_module.py: tessaly came from {tessaly.__file__}, not from {module_dir}")
    left_image, right_image = tessaly.imread(left), tessaly.imread(right)

    def once():
        start = time.perf_counter()
        result = tessaly.depth_map(left_image, right_image, side="left", fragment=16, max_parallax=(64, 0),
                                   speed=1)
        result.depth  # the map as an array is part of the job
        return time.perf_counter() - start

    once()
    return once

def core_and_module(bench, module_dir, left, right, runs):
    """(core, module): medians of RUNS rounds taking turns, so that the load of other processes, which
    comes and goes, weighs on both alike. In each round the module, like tessaly-bench, makes one untimed
    map right before the timed one: both then time a job whose memory the process has just used."""
    module_once = module_job(module_dir, left, right)

    def module_warm():
        module_once()
        return module_once()
    rounds = [(core_once(bench, left, right), module_warm()) for _ in range(runs)]
    return statistics.median(c for c, _ in rounds), statistics.median(m for _, m in rounds)

def main():
    cli, bench, module_dir, shared, work = sys.argv[1:6]
    runs = max(1, int(sys.argv[6]) if len(sys.argv) > 6 else 5)
    os.makedirs(work, exist_ok=True)
    left, right = goals.pair(shared, work, 8)
    width, height = goals.size_of(left)

    print(f"== tessaly.depth_map against the core and tessaly-cli depth at {width} x {height}, S 16, HP 64,")
    print(f"   all usable CPUs, medians of {runs} runs")
    core, module = core_and_module(bench, module_dir, left, right, runs)
    rows = [("core job in memory (tessaly-bench)", core), ("tessaly.depth_map on arrays", module)]
    cli_times = goals.medians([goals.job_command(cli, left, right, options) for _, options in CLI_JOBS], runs)
    rows += [(f"tessaly-cli depth, {name.upper()} files", t) for (name, _), t in zip(CLI_JOBS, cli_times)]

    print(f"{'what':<36} {'median':>8} {'/ core':>7}")
    for what, seconds in rows:
        print(f"{what:<36} {seconds:>7.3f}s {seconds / core:>7.3f}")

    fastest_cli = min(cli_times)
    print(f"module / core <= {CORE_GOAL:g}: {'met' if module / core <= CORE_GOAL else 'missed'} "
          f"({module / core:.3f})")
    print(f"module < CLI job: {'met' if module < fastest_cli else 'missed'} "
          f"({module:.3f}s against {fastest_cli:.3f}s, the faster of PNG and BMP)")

if __name__ == "__main__":
    main()
