#!/usr/bin/env python3
"""Installing under Wine: our setup.exe, walked through its pages by the UI driver, against a
silent NSIS installer (zlib) of the same files. Runs inside one virtual display (run.py starts it
under xvfb-run) with a warm, persistent wineserver of the benchmark's own prefix.

setup.exe is the shipped i686 build under the 32-bit Wine, against NSIS's x86-unicode installer
(also a 32-bit program); where the kernel cannot run 32-bit programs, run.py hands over the x86_64
build with --arch win64 and NSIS's amd64-unicode installer is used. For each run setup.exe gets
a fresh folder holding a hard link to the package, so its default destination (the package's
folder plus its title) is fresh as well.
Times per setup.exe run: start to the Welcome page; Next to the end of the contents check (paced
by design, reported apart); the end of the check to the Ready/Finish page (the extraction).
NSIS: start to exit of `installer /S /D=folder`. Wine's own start cost (a trivial program's start
to exit) is measured apart. Every installed tree is byte-compared with the source.

Usage: wine_bench.py --json OUT --cache DIR --work DIR --zmpack PATH --setup PATH
                     --driver PATH [--arch win32|win64] [--runs N] [--corpora mixed,small]
                     [--limit S]
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

import nsis  # noqa: E402
from benchlib import (RUN_TIMEOUT_S, alternate, check_tree, median, read_once, sh,  # noqa: E402
                      tool_version)

WINE_RUN = os.path.join(HERE, "..", "scripts", "wine-run")
WINESERVER = "/usr/lib/wine/wineserver"
# Page ids of the wizard window: extraction page, Ready page, Finish page; Next and Cancel/Close.
PAGE_EXTRACT, PAGE_READY, PAGE_FINISH = "130", "140", "150"
BTN_NEXT, BTN_CLOSE = "106", "107"
ID_FILE_LINE = "131"  # "Extracting (n/total): name"


class Wine:
    def __init__(self, prefix, driver, arch):
        self.prefix = prefix
        self.driver = driver
        self.env = dict(os.environ, ZM_WINEPREFIX=prefix, WINEPREFIX=prefix, ZM_WINEARCH=arch,
                        WINEARCH=arch)

    def server(self, *flags):
        subprocess.run([WINESERVER] + list(flags), env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)

    def start(self, *cmd):
        return subprocess.Popen([WINE_RUN] + list(cmd), env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def run(self, *cmd):
        sh([WINE_RUN] + list(cmd), env=self.env, stdout=subprocess.DEVNULL,
           stderr=subprocess.DEVNULL)

    def drive(self, *step, may_fail=False):
        # Files, not pipes: Wine's desktop process, started on demand by whichever program needs
        # it first, inherits the standard handles and would hold a pipe open for good.
        with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
            r = subprocess.run([WINE_RUN, self.driver] + list(step), env=self.env, stdout=out,
                               stderr=err, timeout=RUN_TIMEOUT_S)
            out.seek(0)
            err.seek(0)
            text, why = out.read(), err.read()
        if r.returncode != 0 and not may_fail:
            raise RuntimeError("wizard_driver %s: %s" % (" ".join(step), why.strip()))
        return text.replace("\r", "")


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def start_cost(wine, runs):
    """Start to exit of a trivial program (the driver looking for a window that is not there)."""
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        wine.drive("gone", "no such window", "0")
        times.append(time.perf_counter() - t0)
    return times


class TooSlow(Exception):
    """A setup.exe run that did not reach its last page in the time allowed."""

    def __init__(self, text, window_s, check_s):
        super().__init__(text)
        self.window_s = window_s
        self.check_s = check_s


def setup_run(wine, pkg, title, src, folder, limit_s):
    os.makedirs(folder)
    exe = os.path.join(folder, "setup.exe")
    os.link(pkg, exe)
    read_once(exe)
    caption = "Setup - " + title
    t0 = time.perf_counter()
    proc = wine.start(exe)
    try:
        wine.drive("wait", caption, "120000")
        window_s = time.perf_counter() - t0
        marks = {}
        last = PAGE_READY + "|" + PAGE_FINISH
        timeline = wine.drive("timeline", caption, BTN_NEXT, str(int(limit_s * 1000)),
                              PAGE_EXTRACT, last, may_fail=True)
        for line in timeline.splitlines():
            step, seconds = line.split()
            marks[step] = float(seconds)
        if last not in marks:
            where = wine.drive("text", caption, ID_FILE_LINE, may_fail=True).strip()
            raise TooSlow("no last page %.0f s after Next; the file line said \"%s\"" % (
                limit_s, where), window_s, marks.get(PAGE_EXTRACT))
        wine.drive("click", caption, BTN_CLOSE)
        proc.wait(timeout=120)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    check = marks[PAGE_EXTRACT]
    check_tree(src, os.path.join(folder, title), "setup.exe under Wine")
    return window_s, check, marks[PAGE_READY + "|" + PAGE_FINISH] - check


def nsis_run(wine, installer, src, folder):
    os.makedirs(folder)
    dest = os.path.join(folder, "out")
    read_once(installer)
    t0 = time.perf_counter()
    wine.run(installer, "/S", "/D=" + windows_path(dest))
    dt = time.perf_counter() - t0
    check_tree(src, dest, "NSIS installer under Wine")
    return dt


def corpus(a, wine, name, log):
    src = os.path.join(a.cache, name)
    title = "zmbench-" + name
    pkg = os.path.join(a.work, "setup-%s-%s.exe" % (a.arch, name))
    sh([a.zmpack, "create", "-o", pkg, "--stub", a.setup, "--zip",
        os.path.join(a.cache, name + ".zip"), "--title", title, "--language", "en"],
       stdout=subprocess.DEVNULL)
    # The same files packed by zmpack at its default level (the archive above is zip -6's, a
    # zlib-6 stream): the smaller stream must not make the install slower.
    pkg_default = os.path.join(a.work, "setup-%s-%s-default.exe" % (a.arch, name))
    sh([a.zmpack, "create", "-o", pkg_default, "--stub", a.setup, "--title", title,
        "--language", "en", src], stdout=subprocess.DEVNULL)
    target, tag = ("x86-unicode", "x86") if a.arch == "win32" else ("amd64-unicode", "amd64")
    installer = nsis.build_cached(src, os.path.join(a.cache, "nsis-%s-%s.exe" % (name, tag)),
                                  title, target, os.path.join(a.cache, name + ".done"))
    res = {"window_s": [], "check_s": [], "extract_s": [], "nsis_s": [], "default_extract_s": [],
           "setup_bytes": os.path.getsize(pkg), "nsis_bytes": os.path.getsize(installer),
           "default_bytes": os.path.getsize(pkg_default)}
    for r in range(a.runs):
        for tool in alternate(["setup", "default", "nsis"], r):
            folder = os.path.join(a.work, "wine-%s-%s-%d" % (tool, name, r))
            if tool == "default":
                if "default_too_slow" in res:
                    continue
                try:
                    res["default_extract_s"].append(
                        setup_run(wine, pkg_default, title, src, folder, a.limit)[2])
                except TooSlow as slow:
                    res["default_too_slow"] = str(slow)
                    log("wine %s: setup.exe, default-level package: %s" % (name, slow))
            elif tool == "setup":
                if "too_slow" in res:
                    continue
                try:
                    w, c, e = setup_run(wine, pkg, title, src, folder, a.limit)
                except TooSlow as slow:
                    # Reported as it is; further runs would only take as long again.
                    res["too_slow"] = str(slow)
                    res["window_s"].append(slow.window_s)
                    if slow.check_s is not None:
                        res["check_s"].append(slow.check_s)
                    log("wine %s: setup.exe: %s" % (name, slow))
                    continue
                res["window_s"].append(w)
                res["check_s"].append(c)
                res["extract_s"].append(e)
            else:
                res["nsis_s"].append(nsis_run(wine, installer, src, folder))
        log("wine %s: run %d/%d done" % (name, r + 1, a.runs))
    for k in ("window_s", "check_s", "extract_s", "nsis_s", "default_extract_s"):
        res[k.replace("_s", "_median_s")] = median(res[k])
    return res


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--json", required=True)
    ap.add_argument("--cache", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--zmpack", required=True)
    ap.add_argument("--setup", required=True, help="the setup.exe stub to measure")
    ap.add_argument("--arch", choices=("win32", "win64"), default="win32",
                    help="the Wine to run it under (default: the 32-bit one)")
    ap.add_argument("--driver", required=True)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--corpora", default="mixed,small")
    ap.add_argument("--limit", type=float, default=120,
                    help="seconds a setup.exe run may take from Next to its last page")
    a = ap.parse_args()

    def log(msg):
        print(msg, file=sys.stderr, flush=True)

    wine = Wine(os.path.join(a.cache, "wineprefix-" + a.arch), a.driver, a.arch)
    # A server started from another display would own windows this one cannot see.
    wine.server("-k")
    if not os.path.exists(os.path.join(wine.prefix, "system.reg")):
        log("wine: creating the prefix %s" % wine.prefix)
        wine.run("cmd.exe", "/c", "exit")
        wine.server("-w")
    # A persistent server: every run below starts as a warm one would.
    wine.server("-p")
    loader = "/usr/lib/wine/wine" if a.arch == "win32" else "/usr/lib/wine/wine64"
    out = {"wine": tool_version([loader, "--version"]),
           "setup_build": "i686" if a.arch == "win32" else "x86_64",
           "nsis_target": "x86-unicode" if a.arch == "win32" else "amd64-unicode", "corpora": {}}
    try:
        wine.run("cmd.exe", "/c", "exit")
        out["start_runs_s"] = start_cost(wine, 7)
        out["start_median_s"] = median(out["start_runs_s"])
        for name in a.corpora.split(","):
            out["corpora"][name] = corpus(a, wine, name, log)
    finally:
        wine.server("-k")
    with open(a.json, "w") as f:
        json.dump(out, f, indent=2)
    return 0


if __name__ == "__main__":
    sys.exit(main())
