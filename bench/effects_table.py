#!/usr/bin/env python3
"""Turns a JSON run of photoreel_bench (with repetitions) into the table of
transition costs: CPU milliseconds per Frame (medians) and the ratio to one
memcpy of a frame and to FFmpeg's xfade, all from the same run."""
import json
import sys

SIZES = {"0": "1280x1024", "1": "1920x1080"}
XFADE = {"0": "fade", "1": "wipeleft", "2": "dissolve"}


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
    xfade = {(t, s): median.get(f"BM_Xfade/{t}/{s}") for t in XFADE for s in SIZES}
    print("| slot | handler | " + " | ".join(
        f"{SIZES[s]} ms | ×memcpy" for s in SIZES) + " |")
    print("|---|---|" + "---|---|" * len(SIZES))
    rows = sorted({n.split("/")[1] for n in median if n.startswith("BM_Effect/")}, key=int)
    for slot in rows:
        cells = []
        for size in SIZES:
            name = f"BM_Effect/{slot}/{size}"
            t = median.get(name)
            cells.append(f"{t:.3f} | {t / copy[size]:.1f}" if t and copy[size] else "- | -")
        label = labels.get(f"BM_Effect/{slot}/0", "")
        print(f"| {slot} | {label} | " + " | ".join(cells) + " |")
    print("| memcpy | one frame | " + " | ".join(
        f"{copy[s]:.3f} | 1.0" for s in SIZES if copy[s]) + " |")
    for t in XFADE:
        cells = []
        for s in SIZES:
            v = xfade[(t, s)]
            cells.append(f"{v:.3f} | {v / copy[s]:.1f}" if v and copy[s] else "- | -")
        print(f"| xfade | {XFADE[t]} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main(sys.argv[1])
