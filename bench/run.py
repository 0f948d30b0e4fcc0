#!/usr/bin/env python3
"""The benchmark suite (`make bench`): ours against the peer tools, in one run on this machine.

  extract  `zmpack extract` vs unzip, 7zz, bsdtar, Python zipfile on "mixed", "small", "big";
           zlib inflate limit and disk write speed
  create   `zmpack create` vs `zip -r -6` and NSIS makensis (zlib) from the same folder
  wine     setup.exe (the i686 build, 32-bit Wine) through its pages vs a silent NSIS installer
  stubs    setup.exe and ZMEngine190.dll (i686) vs NSIS's stub
  verify   VerifyBlock fast vs zlib crc32 over the package of "big", natively and as the i686
           build's code under the 32-bit Wine
  scaling  `zmpack extract` of 10/100/1000 MB and 1,000/10,000/100,000-entry archives

Every extractor reads the same archive bytes: each corpus is zipped once with Info-ZIP
`zip -r -6`, and packed with `zmpack create --zip` from that archive. Runs alternate between
tools, each into a fresh folder; the input is read once, untimed, before every run; every output
is byte-compared with its source after the run; output folders of many files are kept until the
suite ends and then deleted in the background (deleting many files and creating new ones at once
is several times slower on this machine's file system; a later run deletes what is left and waits
before it times anything). Results: bench/RESULTS.md and bench/RESULTS.json (with --quick:
CACHE/RESULTS-quick.*, so a development run never stands in for the real figures).
"""
import argparse
import datetime
import json
import os
import platform
import re
import subprocess
import sys
import time
import traceback
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

import create_bench  # noqa: E402
import native_extract  # noqa: E402
import report  # noqa: E402
import scaling  # noqa: E402
import solid_bench  # noqa: E402
import stub_sizes  # noqa: E402
from benchlib import remove_tree, sh, tool_version  # noqa: E402

SECTIONS = ("stubs", "verify", "extract", "create", "solid", "wine", "scaling")
SETTLE_S = 90
XVFB = ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24"]


class Config:
    def __init__(self, a):
        # Absolute, since several tools run in other folders.
        root = os.path.abspath(a.build)
        native = os.path.abspath(a.native or os.path.join(root, "native"))
        win32 = os.path.abspath(a.win32 or os.path.join(root, "win32"))
        win64 = os.path.abspath(a.win64 or os.path.join(root, "win64"))
        self.quick = a.quick
        self.cache = os.path.abspath(a.cache)
        self.zmpack = os.path.abspath(a.zmpack or
                                      os.path.join(native, "tools", "zmpack", "zmpack"))
        self.verify_bench = os.path.join(native, "bench", "verify_bench")
        self.win32_setup = os.path.join(win32, "app", "setup.exe")
        self.win32_engine = os.path.join(win32, "engine", "ZMEngine190.dll")
        self.verify_bench_i686 = os.path.join(win32, "bench", "verify_bench.exe")
        # The installer under Wine: the shipped i686 build where this kernel runs 32-bit
        # programs, else the x86_64 build of the same sources.
        self.wine32 = subprocess.run([os.path.join(HERE, "..", "scripts", "wine32-probe")]
                                     ).returncode == 0
        wine_build = win32 if self.wine32 else win64
        self.wine_arch = "win32" if self.wine32 else "win64"
        self.wine_setup = os.path.join(wine_build, "app", "setup.exe")
        self.driver = os.path.join(wine_build, "tests", "wizard_driver.exe")
        self.wine_prefix = os.path.join(self.cache, "wineprefix-verify-" + self.wine_arch)
        one = 1 if a.quick else None
        self.runs = a.runs or one or 5
        self.runs_create = one or 3
        self.runs_wine = one or 3
        self.runs_scale = one or 3
        self.runs_verify = one or 5
        self.wine_limit = a.wine_limit or (60 if a.quick else 120)
        self.corpora = (a.corpora or ("mixed,small" if a.quick else "mixed,small,big")).split(",")


def zipped(cache, name):
    """CACHE/name.zip, made once with Info-ZIP from the corpus folder."""
    z = os.path.join(cache, name + ".zip")
    stamp = os.path.join(cache, name + ".done")
    if not os.path.exists(z) or os.path.getmtime(z) < os.path.getmtime(stamp):
        if os.path.exists(z):
            os.unlink(z)
        sh(["zip", "-q", "-r", "-6", z, "."], cwd=os.path.join(cache, name))
    return z


def verify_section(cfg, work):
    if not os.path.exists(cfg.verify_bench):
        return {"skipped": cfg.verify_bench + " is not built"}
    name = "big" if "big" in cfg.corpora else cfg.corpora[0]
    pkg = os.path.join(work, "verify-%s.pkg" % name)
    native_extract.package(cfg.zmpack, zipped(cfg.cache, name), pkg, name)
    args = ["--runs", str(cfg.runs_verify), "--package"]
    r = subprocess.run([cfg.verify_bench] + args + [pkg],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if r.returncode != 0:
        os.unlink(pkg)
        raise RuntimeError("verify_bench failed: " + r.stdout[-800:])
    out = dict(parse_verify_bench(r.stdout), package=name, runs=cfg.runs_verify)
    # The same check as the shipped installer's code runs it: the i686 build under the 32-bit
    # Wine (its own zlib beside it).
    if cfg.wine32 and os.path.exists(cfg.verify_bench_i686):
        env = dict(os.environ, ZM_WINEPREFIX=cfg.wine_prefix, ZM_WINEARCH="win32")
        r = subprocess.run([os.path.join(HERE, "..", "scripts", "wine-run"),
                            cfg.verify_bench_i686] + args + ["Z:" + pkg.replace("/", "\\")],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, env=env)
        if r.returncode != 0:
            out["i686"] = {"error": "verify_bench.exe failed: " + r.stdout[-800:]}
        else:
            out["i686"] = parse_verify_bench(r.stdout.replace("\r", ""))
    elif not cfg.wine32:
        out["i686"] = {"skipped": "this kernel cannot run 32-bit programs"}
    else:
        out["i686"] = {"skipped": cfg.verify_bench_i686 + " is not built (make win32)"}
    os.unlink(pkg)
    return out


def parse_verify_bench(text):
    """The block size and both speeds from verify_bench's report."""
    def number(pattern):
        m = re.search(pattern, text)
        if m is None:
            raise RuntimeError("verify_bench printed no line like %r: %s" % (pattern, text))
        return float(m.group(1))

    mb = number(r"block *: *([\d.]+) MB")
    crc = number(r"zlib crc32 alone *: *([\d.]+) MB/s")
    ver = number(r"VerifyBlock fast *: *([\d.]+) MB/s")
    return {"mb": mb, "crc32_mbs": crc, "verify_mbs": ver, "ratio": ver / crc}


def wine_section(cfg, work, log):
    for need in (cfg.wine_setup, cfg.driver):
        if not os.path.exists(need):
            return {"skipped": need + " is not built (make %s)" % (
                "win32" if cfg.wine32 else "win64")}
    names = [n for n in cfg.corpora if n != "big"]
    if not names:
        return {"skipped": "only \"big\" chosen; installers are measured on mixed and small"}
    for n in names:
        zipped(cfg.cache, n)
    out = os.path.join(work, "wine.json")
    cmd = XVFB + [sys.executable, os.path.join(HERE, "wine_bench.py"), "--json", out,
                  "--cache", cfg.cache, "--work", work, "--zmpack", cfg.zmpack,
                  "--setup", cfg.wine_setup, "--arch", cfg.wine_arch, "--driver", cfg.driver,
                  "--runs", str(cfg.runs_wine), "--corpora", ",".join(names),
                  "--limit", str(cfg.wine_limit)]
    log("wine: " + " ".join(cmd[4:6]) + " ...")
    sh(cmd, timeout=3600)
    with open(out) as f:
        return json.load(f)


def settle_after_earlier_runs(cache, log):
    """Deletes what earlier runs left (a run deletes its folder in the background as it ends;
    an interrupted one leaves it), then waits: files created within about a minute of deleting
    many files take several times longer here."""
    stale = [os.path.join(cache, d) for d in sorted(os.listdir(cache)) if
             re.fullmatch(r"runs-\d+", d)] if os.path.isdir(cache) else []
    if not stale:
        return
    log("deleting the run folders of earlier runs: " + ", ".join(stale))
    for d in stale:
        remove_tree(d)
    log("waiting %d s for the file system to settle" % SETTLE_S)
    time.sleep(SETTLE_S)


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "?"


def versions(cfg):
    return {"zmpack": tool_version([cfg.zmpack, "--version"]),
            "unzip": tool_version(["unzip", "-v"]),
            "zip": tool_version(["zip", "-v"], "This is Zip").replace("This is ", ""),
            "7zz": tool_version(["7zz", "i"]),
            "bsdtar": tool_version(["bsdtar", "--version"]),
            "makensis": tool_version(["makensis", "-VERSION"]),
            "wine": tool_version(["/usr/lib/wine/wine" if cfg.wine32 else "/usr/lib/wine/wine64",
                                  "--version"]),
            "python": sys.version.split()[0], "zlib": zlib.ZLIB_RUNTIME_VERSION}


def main():
    ap = argparse.ArgumentParser(
        description="The benchmark suite: ours against the peer tools.",
        epilog="Sections: " + ", ".join(SECTIONS))
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"),
                    help="build root holding native/, win32/ and win64/ (default: build)")
    ap.add_argument("--native", help="native build folder (default BUILD/native)")
    ap.add_argument("--win32", help="i686 build folder (default BUILD/win32)")
    ap.add_argument("--win64", help="x86_64 build folder (default BUILD/win64)")
    ap.add_argument("--zmpack", help="zmpack to measure (default NATIVE/tools/zmpack/zmpack)")
    ap.add_argument("--cache", default="/var/tmp/zmbench",
                    help="corpora, archives and run folders (default /var/tmp/zmbench)")
    ap.add_argument("--runs", type=int, help="native extraction runs per tool (default 5)")
    ap.add_argument("--corpora", help="comma-separated subset of mixed,small,big")
    ap.add_argument("--wine-limit", type=float,
                    help="seconds a setup.exe run under Wine may take from Next to its last "
                         "page before it counts as not finished (default 120; --quick 60)")
    ap.add_argument("--sections", default=",".join(SECTIONS),
                    help="comma-separated subset of the sections (default: all)")
    ap.add_argument("--quick", action="store_true",
                    help="one run each, no \"big\", no largest scaling archives; results go to "
                         "CACHE/RESULTS-quick.* unless --out is given")
    ap.add_argument("--out", help="folder for RESULTS.md and RESULTS.json (default bench/)")
    a = ap.parse_args()
    cfg = Config(a)
    sections = a.sections.split(",")
    unknown = [s for s in sections if s not in SECTIONS]
    if unknown:
        ap.error("unknown section(s): " + ", ".join(unknown))
    if not os.path.exists(cfg.zmpack):
        ap.error(cfg.zmpack + " is not built (make native)")
    started = time.time()

    def log(msg):
        print("[%4.0f s] %s" % (time.time() - started, msg), file=sys.stderr, flush=True)

    settle_after_earlier_runs(cfg.cache, log)
    log("corpora in %s" % cfg.cache)
    sh([sys.executable, os.path.join(HERE, "gen_corpus.py"), cfg.cache] + cfg.corpora)
    work = os.path.join(cfg.cache, "runs-%d" % os.getpid())
    os.makedirs(work)
    res = {"date": datetime.date.today().isoformat(), "machine": platform.platform(),
           "cpu": cpu_model(), "cpus": os.cpu_count(),
           "memory_gib": round(os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30),
           "versions": versions(cfg),
           "run_counts": {"extract": cfg.runs, "create": cfg.runs_create,
                          "wine": cfg.runs_wine, "scaling": cfg.runs_scale,
                          "verify": cfg.runs_verify}}
    failed = []

    def section(key, body):
        if key not in sections:
            return
        log("== " + key)
        try:
            res[key] = body()
        except (Exception, SystemExit) as e:  # noqa: BLE001 - reported; the rest goes on
            traceback.print_exc()
            res[key] = {"error": str(e)[:400] or repr(e)}
            failed.append(key)

    def per_corpus(key, run, names):
        out = {}
        for n in names:
            try:
                out[n] = run(n)
            except (Exception, SystemExit) as e:  # noqa: BLE001
                traceback.print_exc()
                out[n] = {"error": str(e)[:400] or repr(e)}
                failed.append("%s %s" % (key, n))
        return out

    def extract_one(n):
        src = os.path.join(cfg.cache, n)
        return native_extract.run(cfg, n, src, zipped(cfg.cache, n), work, log)

    def create_one(n):
        return create_bench.run(cfg, n, os.path.join(cfg.cache, n), work, log)

    section("stubs", lambda: stub_sizes.run(cfg, work))
    section("verify", lambda: verify_section(cfg, work))
    section("extract", lambda: per_corpus("extract", extract_one, cfg.corpora))
    section("create",
            lambda: per_corpus("create", create_one, [n for n in cfg.corpora if n != "big"]))
    section("solid", lambda: solid_bench.run(cfg, work, log))
    section("wine", lambda: wine_section(cfg, work, log))
    section("scaling", lambda: scaling.run(cfg, work, log))

    out_dir = a.out or (cfg.cache if a.quick else HERE)
    os.makedirs(out_dir, exist_ok=True)
    stem = "RESULTS-quick" if a.quick and not a.out else "RESULTS"
    with open(os.path.join(out_dir, stem + ".json"), "w") as f:
        json.dump(res, f, indent=2)
    text = report.markdown(res)
    with open(os.path.join(out_dir, stem + ".md"), "w") as f:
        f.write(text)
    print(text)
    # Deleting the million or so files of a full run takes minutes on this file system; it goes
    # on in the background, and the next run waits for it before it times anything.
    subprocess.Popen(["rm", "-rf", work], start_new_session=True, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL)
    log("results in %s; the run folder %s is being deleted in the background" % (
        os.path.join(out_dir, stem + ".md"), work))
    if failed:
        print("FAILED: " + ", ".join(failed), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
