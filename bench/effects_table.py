#!/usr/bin/env python3
"""Turns a JSON run of photoreel_bench (with repetitions) into the table of
transition costs: CPU milliseconds per Frame (medians) and the ratio to one
memcpy of a frame, to reading both pictures whole (BM_TwoPictureRead) and to
FFmpeg's xfade, all from the same run."""
import json
import sys

SIZES = {"0": "1280x1024", "1": "1920x1080"}
XFADE = {"0": "fade", "1": "wipeleft", "2": "dissolve"}


def ratio(time, floor):
    return f"{time / floor:.1f}" if time and floor else "-"


def main(path):
    runs = json.load(open(path))["benchmarks"]
    median = {}
    labels = {}
    for run in runs:
        if run.get("aggregate_name") != "median":
            continue
        name = run["run_name"]
        median[name] = run["cpu_time"]
        labels[name] = run.get("label", "")
    copy = {size: median.get(f"BM_FrameCopy/{size}") for size in SIZES}
    both = {size: median.get(f"BM_TwoPictureRead/{size}") for size in SIZES}
    xfade = {(t, s): median.get(f"BM_Xfade/{t}/{s}") for t in XFADE for s in SIZES}
    print("| slot | handler | " + " | ".join(
        f"{SIZES[s]} ms | ×memcpy | ×both" for s in SIZES) + " |")
    print("|---|---|" + "---|---|---|" * len(SIZES))
    rows = sorted({n.split("/")[1] for n in median if n.startswith("BM_Effect/")}, key=int)
    for slot in rows:
        cells = []
        for size in SIZES:
            name = f"BM_Effect/{slot}/{size}"
            t = median.get(name)
            cells.append(f"{t:.3f} | {ratio(t, copy[size])} | {ratio(t, both[size])}" if t else "- | - | -")
        label = labels.get(f"BM_Effect/{slot}/0", "")
        print(f"| {slot} | {label} | " + " | ".join(cells) + " |")
    print("| memcpy | one frame | " + " | ".join(
        f"{copy[s]:.3f} | 1.0 | {ratio(copy[s], both[s])}" for s in SIZES if copy[s]) + " |")
    print("| both pictures | read whole | " + " | ".join(
        f"{both[s]:.3f} | {ratio(both[s], copy[s])} | 1.0" for s in SIZES if both[s]) + " |")
    for t in XFADE:
        cells = []
        for s in SIZES:
            v = xfade[(t, s)]
            cells.append(f"{v:.3f} | {ratio(v, copy[s])} | {ratio(v, both[s])}" if v else "- | - | -")
        print(f"| xfade | {XFADE[t]} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main(sys.argv[1])
