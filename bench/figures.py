#!/usr/bin/env python3
"""Prints the tables of bench/README.md from upload_bench's JSON results (bench/figures.sh).

figures.py NEW.json OLD.json OLD-COMMIT LOAD-BEFORE LOAD-AFTER
"""
import json
import re
import sys


def runs(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    out = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "iteration" and not b.get("error_occurred"):
            out[b["name"].replace("/manual_time", "")] = b
        elif b.get("error_occurred"):
            print(f"FAILED: {b['name']}: {b.get('error_message')}", file=sys.stderr)
            sys.exit(1)
    return data["context"], out


def args(name):
    return dict(re.findall(r"(\w+):(\d+)", name))


def power(n):
    n = int(n)
    e = len(str(n)) - 1
    return f"10^{e}" if n == 10**e else str(n)


def us(seconds):
    return f"{seconds * 1e6:.1f} µs"


def main():
    new_path, old_path, old_commit, load_before, load_after = sys.argv[1:6]
    context, new = runs(new_path)
    _, old = runs(old_path)
    print(f"Taken {context['date']} on {context['num_cpus']} cores; load average {load_before} at the start, "
          f"{load_after} at the end.\n")

    print("Upload, per row:\n")
    print("| benchmark | rows | page | s_per_row | agent_us_per_row | rig_us_per_row | standin_us_per_row "
          "| commit_ms | commit_share |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    flat = {}
    for kind in ("UploadWorker", "BarePipeline"):
        rows = [(args(n), b) for n, b in new.items() if n.startswith(f"BM_{kind}/")]
        rows.sort(key=lambda r: (int(r[0]["page"]), int(r[0]["rows"])))
        for a, b in rows:
            print(f"| {kind} | {power(a['rows'])} | {a['page']} | {us(b['s_per_row'])} | "
                  f"{b['agent_us_per_row']:.1f} | {b['rig_us_per_row']:.1f} | {b['standin_us_per_row']:.2f} | "
                  f"{b['commit_ms']:.2f} | {b['commit_share']:.2f} |")
            flat.setdefault((kind, a["page"]), []).append(b["agent_us_per_row"])

    print("\nThe agent's figure across the row counts (largest over smallest):\n")
    print("| benchmark | page | agent_us_per_row from .. to | ratio |")
    print("|---|---:|---:|---:|")
    for (kind, page), values in flat.items():
        print(f"| {kind} | {page} | {min(values):.1f} .. {max(values):.1f} | {max(values) / min(values):.2f} |")

    print(f"\nThe form body and the fetch loop, now and at {old_commit}:\n")
    print("| what | old | new |")
    print("|---|---:|---:|")
    for name in ("BM_FormBody",):
        if name in new and name in old:
            print(f"| form body of a page of 200, per row | {us(old[name]['s_per_row'])} | {us(new[name]['s_per_row'])} |")
    for name in sorted(n for n in new if n.startswith("BM_QueryOpen/")):
        if name in old:
            rows = power(args(name)["rows"])
            print(f"| fetch loop, {rows} rows: agent_us_per_row | {old[name]['agent_us_per_row']:.2f} | "
                  f"{new[name]['agent_us_per_row']:.2f} |")
            print(f"| fetch loop, {rows} rows: rig_us_per_row | {old[name]['rig_us_per_row']:.2f} | "
                  f"{new[name]['rig_us_per_row']:.2f} |")

    print("\nMemory of the largest upload at page 200:\n")
    print("| benchmark | rows | heap_MB | heap_B_per_row | rig_heap_MB | rss_MB |")
    print("|---|---:|---:|---:|---:|---:|")
    for kind in ("UploadWorker", "BarePipeline"):
        sized = [(int(args(n)["rows"]), b) for n, b in new.items()
                 if n.startswith(f"BM_{kind}/") and args(n)["page"] == "200"]
        if sized:
            n, b = max(sized, key=lambda r: r[0])
            print(f"| {kind} | {power(n)} | {b['heap_MB']:.0f} | {b['heap_B_per_row']:.0f} | "
                  f"{b['rig_heap_MB']:.0f} | {b['rss_MB']:.0f} |")

    pulls = sorted((n, b) for n, b in new.items() if n.startswith("BM_PullReply/"))
    if pulls:
        print("\nPull pages:\n")
        print("| benchmark | page_MB | heap_MB | heap_per_page | rss_MB | time |")
        print("|---|---:|---:|---:|---:|---:|")
        for n, b in pulls:
            nan = float("nan")
            print(f"| {n.removeprefix('BM_')} | {b.get('page_MB', nan):.1f} | {b.get('heap_MB', nan):.0f} | "
                  f"{b.get('heap_per_page', nan):.1f} | {b.get('rss_MB', nan):.0f} | {b['real_time']:.0f} {b['time_unit']} |")


if __name__ == "__main__":
    main()
