"""Building from a folder: `zmpack create` at its default level, at 9 and at max against Info-ZIP
`zip -r -6` and `-9`, 7-Zip's own deflate (`7zz a -tzip -mx=9`) and NSIS `makensis` (zlib) on the
same folder: time, output size, peak RSS. The slow ones (zmpack max, 7zz) run once."""
import os
import subprocess

import nsis
from benchlib import alternate, median, read_once, sh, timed, tree_size


def run(cfg, name, src, work, log):
    files, size = tree_size(src)
    stub = cfg.win32_setup if os.path.exists(cfg.win32_setup) else "none"

    def zmpack(*level):
        return lambda out: ([cfg.zmpack, "create", "-o", out, "--stub", stub, "--title", name] +
                            list(level) + [src])

    def zip_level(n):
        return lambda out: ["zip", "-q", "-r", "-%d" % n, out, "."]

    def sevenzip(out):
        return ["7zz", "a", "-bd", "-bso0", "-tzip", "-mx=9", out, "."]

    def makensis(out):
        return nsis.command(src, out, name, "x86-unicode", out + ".nsi")

    cmds = {"zmpack create": (zmpack(), ".exe"),
            "zmpack create --level 9": (zmpack("--method", "deflate", "--level", "9"), ".exe"),
            "zmpack create --level max": (zmpack("--method", "deflate", "--level", "max"), ".exe"),
            "zip -r -6": (zip_level(6), ".zip"), "zip -r -9": (zip_level(9), ".zip"),
            "7zz -tzip -mx=9": (sevenzip, ".zip"), "makensis": (makensis, ".exe")}
    once = ("zmpack create --level max", "7zz -tzip -mx=9")
    times = {t: [] for t in cmds}
    sizes = {t: 0 for t in cmds}
    rss = {t: 0 for t in cmds}
    for r in range(cfg.runs_create):
        for t in alternate(cmds, r):
            if t in once and times[t]:
                continue
            make, ext = cmds[t]
            out = os.path.join(work, "create-%s-%s-%d%s" % (name, t.split()[0], r, ext))
            read_once(src)
            dt, m = timed(make(out), cwd=src)
            times[t].append(dt)
            rss[t] = max(rss[t], m)
            sizes[t] = os.path.getsize(out)
            if t.startswith("zmpack create") and r == 0:
                # The package must be sound, or its speed means nothing.
                sh([cfg.zmpack, "verify", out], stdout=subprocess.DEVNULL)
            os.unlink(out)
            if os.path.exists(out + ".nsi"):
                os.unlink(out + ".nsi")
        log("create %s: run %d/%d done" % (name, r + 1, cfg.runs_create))
    base = median(times["zip -r -6"])
    entry = {"files": files, "bytes": size, "zmpack_stub": os.path.basename(stub), "tools": {}}
    for t in cmds:
        med = median(times[t])
        entry["tools"][t] = {"median_s": med, "input_mbs": size / med / 1e6,
                             "speedup_vs_zip": base / med, "output_bytes": sizes[t],
                             "peak_rss_kib": rss[t], "runs": times[t]}
    # The goals: the default no larger than zip -9 in half its time; max at most 0.98x 7zz's.
    tools = entry["tools"]
    entry["goals"] = {
        "default_bytes_vs_zip9": tools["zmpack create"]["output_bytes"] /
        tools["zip -r -9"]["output_bytes"],
        "default_time_vs_zip9": tools["zmpack create"]["median_s"] /
        tools["zip -r -9"]["median_s"],
        "max_bytes_vs_7zz": tools["zmpack create --level max"]["output_bytes"] /
        tools["7zz -tzip -mx=9"]["output_bytes"],
    }
    return entry
