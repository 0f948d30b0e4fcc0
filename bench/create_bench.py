"""Building from a folder: `zmpack create` against Info-ZIP `zip -r -6` and NSIS `makensis` (zlib)
on the same folder: time, output size, peak RSS."""
import os
import subprocess

import nsis
from benchlib import alternate, median, read_once, sh, timed, tree_size


def run(cfg, name, src, work, log):
    files, size = tree_size(src)
    stub = cfg.win32_setup if os.path.exists(cfg.win32_setup) else "none"

    def zmpack(out):
        return [cfg.zmpack, "create", "-o", out, "--stub", stub, "--title", name, "--level", "6",
                src]

    def zip6(out):
        return ["zip", "-q", "-r", "-6", out, "."]

    def makensis(out):
        return nsis.command(src, out, name, "x86-unicode", out + ".nsi")

    cmds = {"zmpack create": (zmpack, ".exe"), "zip -r -6": (zip6, ".zip"),
            "makensis": (makensis, ".exe")}
    times = {t: [] for t in cmds}
    sizes = {t: 0 for t in cmds}
    rss = {t: 0 for t in cmds}
    for r in range(cfg.runs_create):
        for t in alternate(cmds, r):
            make, ext = cmds[t]
            out = os.path.join(work, "create-%s-%s-%d%s" % (name, t.split()[0], r, ext))
            read_once(src)
            dt, m = timed(make(out), cwd=src)
            times[t].append(dt)
            rss[t] = max(rss[t], m)
            sizes[t] = os.path.getsize(out)
            if t == "zmpack create" and r == 0:
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
    return entry
