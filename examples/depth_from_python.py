#!/usr/bin/python3
"""The depth map of a stereo pair made with the tessaly module, shown beside the pair.

    python3 examples/depth_from_python.py [LEFT RIGHT] [--save FILE]

Without LEFT and RIGHT it takes the repository's sample pair (samples/left.png and samples/right.png).
From a build tree, before the module is installed:

    PYTHONPATH=build/python python3 examples/depth_from_python.py

The pictures are drawn with matplotlib (on Debian: sudo apt install python3-matplotlib). --save FILE
writes them to FILE (.png, .pdf, .svg, ...) instead of opening a window, so it needs no display.
"""
import argparse
import os
import sys

SAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "samples")


def main():
    parser = argparse.ArgumentParser(description="Shows the left depth map of a stereo pair beside the pair.")
    parser.add_argument("left", nargs="?", help="the left view (default: the sample pair)")
    parser.add_argument("right", nargs="?", help="the right view")
    parser.add_argument("--save", metavar="FILE", help="save the pictures to FILE instead of showing them")
    args = parser.parse_args()
    if (args.left is None) != (args.right is None):
        parser.error("give both LEFT and RIGHT, or neither")
    left_path = args.left or os.path.join(SAMPLES, "left.png")
    right_path = args.right or os.path.join(SAMPLES, "right.png")

    try:
        import tessaly
    except ImportError:
        print("The tessaly module is not installed; from a build tree run: "
              "PYTHONPATH=build/python python3 examples/depth_from_python.py", file=sys.stderr)
        return 1
    try:
        import matplotlib
        if args.save:
            matplotlib.use("Agg")  # saving needs no display
        import matplotlib.pyplot as plt
    except ImportError:
        print("This example shows its pictures with matplotlib: sudo apt install python3-matplotlib",
              file=sys.stderr)
        return 1
    if not args.save and matplotlib.get_backend().lower() == "agg":
        print("No display to show the pictures on: save them with --save FILE", file=sys.stderr)
        return 1

    left, right = tessaly.imread(left_path), tessaly.imread(right_path)
    # The sample pair's nearest surface lies 12 pixels apart in the two views, so 16 pixels of
    # parallax cover it; fragments of 8 pixels keep its edges sharp and its planes even.
    result = tessaly.depth_map(left, right, side="left", fragment=8, max_parallax=(16, 0))

    figure, axes = plt.subplots(1, 3, figsize=(12, 3.6), layout="constrained")
    span = f"dx {result.range.min_dx} to {result.range.max_dx} px"
    for ax, image, title in zip(axes, (left, right, result.depth), ("left", "right", f"left depth map ({span})")):
        ax.set_title(title)
        ax.axis("off")
        shown = ax.imshow(image, cmap="viridis" if image.ndim == 2 else None)
    figure.colorbar(shown, ax=axes[2], shrink=0.85, label="depth level (higher is nearer)")

    if args.save:
        figure.savefig(args.save, dpi=120)
        print(args.save)
    else:
        plt.show()
    return 0


if __name__ == "__main__":
    sys.exit(main())
