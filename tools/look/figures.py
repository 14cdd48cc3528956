#!/usr/bin/python3
"""The look's figures over a capture: contrast, highlights, darkness, level, and the ghost against the rest.

frames: DIR/frame_NNNNN.png at --fps; masks (optional): MASKS/mask_NNNNN.png for the same frames, white where
the ghost shows. Luma from the sRGB values, 0.2126 R + 0.7152 G + 0.0722 B; each figure per frame, then its
median over the frames (and over each fixed window of --window seconds).
"""
import argparse
import glob
import os
import sys

import numpy as np
from PIL import Image

BLACK_LEVEL = 6          # every channel below it: pitch black
MASK_MIN_SHARE = 0.01    # the ghost counts in a frame where it covers this share


def load(path):
    return np.asarray(Image.open(path).convert("RGB"), dtype=np.float64)


def luma(rgb):
    return rgb @ np.array([0.2126, 0.7152, 0.0722])


def frame_figures(rgb, mask):
    y = luma(rgb)
    p10, p95, p99 = np.percentile(y, [10, 95, 99])
    f = {
        "ratio": p95 / max(p10, 1.0),
        "p10": p10, "p95": p95, "p99": p99,
        "black": float(np.mean(rgb.max(axis=2) < BLACK_LEVEL)),
        "mean": float(rgb.mean()),
    }
    if mask is not None:
        ghost = mask > 127
        f["cover"] = float(ghost.mean())
        if f["cover"] >= MASK_MIN_SHARE:
            f["ghost_mean"] = float(y[ghost].mean())
            f["rest_mean"] = float(y[~ghost].mean()) if (~ghost).any() else 0.0
            f["ghost_p90"] = float(np.percentile(y[ghost], 90))
    return f


def shafts_and_halos(with_f5, without_f5, halos):
    """The lantern's shafts: F5's mean difference in each quarter; the halos: the share of pixels at 255."""
    a, b = load(with_f5), load(without_f5)
    h, w = a.shape[0] // 2, a.shape[1] // 2
    diff = np.abs(a - b)
    quarters = {"top-left": diff[:h, :w], "top-right": diff[:h, w:], "bottom-left": diff[h:, :w],
                "bottom-right": diff[h:, w:]}
    for name, q in quarters.items():
        print("F5 difference, %-12s %6.2f" % (name, q.mean()))
    print("F5 difference, whole frame  %6.2f" % diff.mean())
    clipped = float(np.mean(load(halos).max(axis=2) >= 255))
    print("pixels at 255 in a channel  %6.3f %%" % (100 * clipped))


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "--shafts":
        shafts_and_halos(*sys.argv[2:5])
        return 0
    ap = argparse.ArgumentParser(description=__doc__ + "\nAlso: figures.py --shafts WITH_F5.png WITHOUT_F5.png HALOS.png")
    ap.add_argument("frames")
    ap.add_argument("--masks")
    ap.add_argument("--fps", type=float, default=2.0)
    ap.add_argument("--window", type=float, default=4.0)
    ap.add_argument("--per-frame", action="store_true", help="print every frame's figures too")
    args = ap.parse_args()

    paths = sorted(glob.glob(os.path.join(args.frames, "frame_*.png")))
    if not paths:
        sys.exit(f"no frame_*.png in {args.frames}")
    rows = []
    for i, path in enumerate(paths):
        mask = None
        if args.masks:
            mpath = os.path.join(args.masks, "mask_%05d.png" % i)
            if not os.path.exists(mpath):
                sys.exit(f"missing mask {mpath}")
            mask = np.asarray(Image.open(mpath).convert("L"))
        f = frame_figures(load(path), mask)
        f["t"] = i / args.fps
        rows.append(f)
        if args.per_frame:
            extra = ""
            if "ghost_mean" in f:
                extra = "  ghost %.1f%% mean %.0f (x%.2f) p90 %.0f" % (
                    100 * f["cover"], f["ghost_mean"], f["ghost_mean"] / max(f["rest_mean"], 1e-6), f["ghost_p90"])
            print("%6.1f s  p10 %5.1f p95 %5.1f ratio %5.1f p99 %5.1f  black %4.1f%%  mean %5.1f%s" % (
                f["t"], f["p10"], f["p95"], f["ratio"], f["p99"], 100 * f["black"], f["mean"], extra))

    med = lambda key, rs: float(np.median([r[key] for r in rs]))
    checks = []

    def check(name, value, ok):
        checks.append(ok)
        print("%-48s %8.2f  %s" % (name, value, "ok" if ok else "FAIL"))

    print("frames: %d at %g fps" % (len(rows), args.fps))
    check("p95/p10 median (>= 8)", med("ratio", rows), med("ratio", rows) >= 8)
    check("p99 median (>= 170)", med("p99", rows), med("p99", rows) >= 170)
    worst = max(rows, key=lambda r: r["black"])
    check("most pitch-black pixels, %% at %.1f s (<= 15)" % worst["t"], 100 * worst["black"], worst["black"] <= 0.15)
    check("mean level median (>= 30)", med("mean", rows), med("mean", rows) >= 30)
    end = rows[-1]["t"]
    start = 0.0
    while start < end:
        w = [r for r in rows if start <= r["t"] < start + args.window]
        if w:
            label = "%2g-%2g s" % (start, start + args.window)
            check("  %s p95/p10 median (>= 5)" % label, med("ratio", w), med("ratio", w) >= 5)
            check("  %s mean level median (>= 26)" % label, med("mean", w), med("mean", w) >= 26)
        start += args.window
    if args.masks:
        ghost = [r for r in rows if "ghost_mean" in r]
        print("ghost covers >= 1 %% in %d of %d frames" % (len(ghost), len(rows)))
        if ghost:
            ratios = [(r["ghost_mean"] / max(r["rest_mean"], 1e-6), r["t"]) for r in ghost]
            low = min(ratios)
            check("ghost mean / rest, lowest, at %.1f s (>= 1.8)" % low[1], low[0], low[0] >= 1.8)
            check("ghost mean / rest, median", float(np.median([x for x, _ in ratios])), True)
            p90 = min((r["ghost_p90"], r["t"]) for r in ghost)
            check("ghost p90, lowest, at %.1f s (>= 200)" % p90[1], p90[0], p90[0] >= 200)
            check("ghost p90, median", med("ghost_p90", ghost), True)
    print("all hold" if all(checks) else "some fail")
    return 0 if all(checks) else 1


if __name__ == "__main__":
    sys.exit(main())
