#!/usr/bin/env python3
"""Extraction benchmark against the peer tools, in one run on this machine.

Usage: run.py --zmpack PATH [--cache DIR] [--runs N] [--corpora mixed,small,big] [--out bench/]

Every extractor reads the same archive bytes: each corpus is zipped once with Info-ZIP
`zip -r -6`, and packed with `zmpack create --zip` from that archive. Runs alternate between
tools, each into a fresh folder; the input is read once, untimed, before every run; output
folders are deleted only at the end (deleting many files and creating new ones at once is
several times slower on this machine's file system). Results: medians, MB/s of output, ratio
to `unzip`, peak RSS; written as Markdown and JSON.
"""
import argparse
import datetime
import filecmp
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def sh(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def corpus_bytes(root):
    total = 0
    files = 0
    for d, _, fs in os.walk(root):
        for f in fs:
            total += os.path.getsize(os.path.join(d, f))
            files += 1
    return files, total


def read_once(path):
    with open(path, "rb") as f:
        while f.read(1 << 22):
            pass


def timed(cmd, cwd=None):
    """Wall time and peak RSS (KiB) of a command, through /usr/bin/time."""
    t0 = time.perf_counter()
    r = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, cwd=cwd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True)
    dt = time.perf_counter() - t0
    if r.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (cmd[0], r.returncode, r.stderr[-500:]))
    rss = int(r.stderr.strip().splitlines()[-1])
    return dt, rss


def tool_version(cmd):
    try:
        out = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True).stdout
        return out.strip().splitlines()[0][:80] if out.strip() else "?"
    except OSError:
        return "missing"


def inflate_limit(zip_path):
    """Single-core zlib raw inflate (+ nothing else) of every deflated entry, to memory."""
    import zipfile
    zf = zipfile.ZipFile(zip_path)
    total_out = 0
    t0 = time.perf_counter()
    with open(zip_path, "rb") as raw:
        for info in zf.infolist():
            if info.compress_type != zipfile.ZIP_DEFLATED:
                continue
            raw.seek(info.header_offset + 26)
            n, m = int.from_bytes(raw.read(2), "little"), int.from_bytes(raw.read(2), "little")
            raw.seek(info.header_offset + 30 + n + m)
            d = zlib.decompressobj(-15)
            left = info.compress_size
            while left > 0:
                chunk = raw.read(min(left, 1 << 20))
                left -= len(chunk)
                total_out += len(d.decompress(chunk))
    dt = time.perf_counter() - t0
    return total_out / dt / 1e6 if dt > 0 else 0.0


def disk_write_speed(dest, nbytes):
    buf = os.urandom(1 << 20)
    path = os.path.join(dest, "write-test.bin")
    t0 = time.perf_counter()
    with open(path, "wb") as f:
        left = nbytes
        while left > 0:
            k = min(left, len(buf))
            f.write(buf[:k])
            left -= k
    dt = time.perf_counter() - t0
    os.unlink(path)
    return nbytes / dt / 1e6


def same_tree(a, b):
    cmp = filecmp.dircmp(a, b)
    if cmp.left_only or cmp.right_only or cmp.diff_files or cmp.funny_files:
        return False
    _, mismatch, errors = filecmp.cmpfiles(a, b, cmp.common_files, shallow=False)
    if mismatch or errors:
        return False
    return all(same_tree(os.path.join(a, d), os.path.join(b, d)) for d in cmp.common_dirs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--zmpack", required=True)
    ap.add_argument("--cache", default="/var/tmp/zmbench")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--corpora", default="mixed,small,big")
    ap.add_argument("--out", default=HERE)
    args = ap.parse_args()

    corpora = args.corpora.split(",")
    sh([sys.executable, os.path.join(HERE, "gen_corpus.py"), args.cache] + corpora)
    work = os.path.join(args.cache, "runs-%d" % os.getpid())
    os.makedirs(work)

    tools = {
        "zmpack": lambda pkg, z, out: [args.zmpack, "extract", pkg, "-d", out, "--overwrite",
                                       "always"],
        "unzip": lambda pkg, z, out: ["unzip", "-q", "-o", z, "-d", out],
        "7zz": lambda pkg, z, out: ["7zz", "x", "-y", "-bd", "-o" + out, z],
        "bsdtar": lambda pkg, z, out: ["bsdtar", "-xf", z, "-C", out],
        "python": lambda pkg, z, out: [sys.executable, "-c",
                                       "import zipfile,sys; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])",
                                       z, out],
    }
    results = {"date": datetime.date.today().isoformat(), "machine": platform.platform(),
               "cpus": os.cpu_count(), "versions": {
                   "zmpack": tool_version([args.zmpack, "--version"]),
                   "unzip": tool_version(["unzip", "-v"]),
                   "7zz": tool_version(["7zz", "i"]),
                   "bsdtar": tool_version(["bsdtar", "--version"]),
                   "python": sys.version.split()[0], "zlib": zlib.ZLIB_RUNTIME_VERSION},
               "corpora": {}}

    for name in corpora:
        src = os.path.join(args.cache, name)
        files, size = corpus_bytes(src)
        z = os.path.join(args.cache, name + ".zip")
        if not os.path.exists(z):
            sh(["zip", "-q", "-r", "-6", z, "."], cwd=src)
        pkg = os.path.join(args.cache, name + ".pkg")
        sh([args.zmpack, "create", "-o", pkg, "--stub", "none", "--zip", z, "--title", name],
           stdout=subprocess.DEVNULL)
        entry = {"files": files, "bytes": size, "zip_bytes": os.path.getsize(z), "tools": {},
                 "inflate_limit_mbs": inflate_limit(z),
                 "disk_write_mbs": disk_write_speed(work, min(size, 512 << 20))}
        times = {t: [] for t in tools}
        rss = {t: 0 for t in tools}
        runs = args.runs if name != "big" else max(3, args.runs // 2)
        for r in range(runs):
            order = list(tools) if r % 2 == 0 else list(reversed(list(tools)))
            for t in order:
                out = os.path.join(work, "%s-%s-%d" % (name, t, r))
                os.makedirs(out)
                read_once(pkg if t == "zmpack" else z)
                dt, m = timed(tools[t](pkg, z, out))
                times[t].append(dt)
                rss[t] = max(rss[t], m)
                if t == "zmpack" and r == 0 and not same_tree(src, out):
                    raise SystemExit("zmpack extract produced different files for " + name)
            print("%s run %d/%d done" % (name, r + 1, runs), file=sys.stderr)
        base = statistics.median(times["unzip"])
        for t in tools:
            med = statistics.median(times[t])
            entry["tools"][t] = {"median_s": med, "mbs": size / med / 1e6,
                                 "speedup_vs_unzip": base / med, "peak_rss_kib": rss[t],
                                 "runs": times[t]}
        results["corpora"][name] = entry

    shutil.rmtree(work, ignore_errors=True)
    with open(os.path.join(args.out, "RESULTS.json"), "w") as f:
        json.dump(results, f, indent=2)
    lines = ["# Extraction benchmark", "",
             "Machine: %s, %d cores; %s. Tools: %s." % (
                 results["machine"], results["cpus"], results["date"],
                 "; ".join("%s %s" % kv for kv in results["versions"].items())), ""]
    for name, e in results["corpora"].items():
        lines += ["## %s: %d files, %.1f MB (zip %.1f MB)" % (name, e["files"], e["bytes"] / 1e6,
                                                              e["zip_bytes"] / 1e6), "",
                  "| tool | median s | MB/s | vs unzip | peak RSS MiB |", "|---|---|---|---|---|"]
        for t, v in sorted(e["tools"].items(), key=lambda kv: kv[1]["median_s"]):
            lines.append("| %s | %.3f | %.0f | %.2fx | %.1f |" % (
                t, v["median_s"], v["mbs"], v["speedup_vs_unzip"], v["peak_rss_kib"] / 1024))
        lines += ["", "Limits in the same run: zlib raw inflate to memory %.0f MB/s (Python zlib, one "
                  "core); disk writes %.0f MB/s." % (e["inflate_limit_mbs"], e["disk_write_mbs"]), ""]
    with open(os.path.join(args.out, "RESULTS.md"), "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
