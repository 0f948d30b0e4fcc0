"""Solid packages on real software: two payloads built from files a Debian machine has (Windows
DLLs of the Wine packages, x86-64 and i386; small C headers from /usr/include), packed by
`zmpack create` (solid, the default) against 7-Zip's solid `7zz a -mx=9`, NSIS `makensis` with
`/SOLID lzma` and `zip -r -9` (bytes and time), and extracted by `zmpack extract` against
`7zz x`. The goal: the sum of the package entries' compressed sizes no larger than the 7z file."""
import os
import shutil
import subprocess
import zipfile

from benchlib import median, read_once, sh, timed, tree_size

WINE_DLLS = ("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows",
             "/usr/lib/i386-linux-gnu/wine/i386-windows")


def build_payloads(cache):
    """The two payloads, written once into cache/solid-dlls and cache/solid-texts."""
    out = {}
    dlls = os.path.join(cache, "solid-dlls")
    if not os.path.exists(dlls + ".stamp"):
        shutil.rmtree(dlls, ignore_errors=True)
        for folder in WINE_DLLS:
            names = sorted(f for f in os.listdir(folder) if f.endswith(".dll") and
                           200000 <= os.path.getsize(os.path.join(folder, f)) <= 1400000)
            dest = os.path.join(dlls, os.path.basename(folder))
            os.makedirs(dest)
            for f in names[:60]:
                shutil.copy(os.path.join(folder, f), dest)
        open(dlls + ".stamp", "w").close()
    out["dlls"] = dlls
    texts = os.path.join(cache, "solid-texts")
    if not os.path.exists(texts + ".stamp"):
        shutil.rmtree(texts, ignore_errors=True)
        seen, files = set(), []
        for root, dirs, names in os.walk("/usr/include"):
            dirs.sort()
            for f in sorted(names):
                p = os.path.join(root, f)
                rel = os.path.relpath(p, "/usr/include")
                # Names that differ only in case are one file for the installer.
                if (os.path.islink(p) or not os.path.isfile(p) or rel.lower() in seen or
                        os.path.getsize(p) > 8192):
                    continue
                seen.add(rel.lower())
                files.append(rel)
        for rel in files[:3100]:
            dest = os.path.join(texts, rel)
            os.makedirs(os.path.dirname(dest), exist_ok=True)
            shutil.copy(os.path.join("/usr/include", rel), dest)
        open(texts + ".stamp", "w").close()
    out["texts"] = texts
    return out


def nsis_solid(src, out, name, script_path):
    with open(script_path, "w") as f:
        f.write("\n".join([
            "Unicode true", "Target x86-unicode", "SetCompressor /SOLID lzma", 'Name "%s"' % name,
            'OutFile "%s"' % out, 'InstallDir "$TEMP\\%s"' % name, "RequestExecutionLevel user",
            "Section", '  SetOutPath "$INSTDIR"', '  File /r "%s/*"' % os.path.abspath(src),
            "SectionEnd", ""]))
    return ["makensis", "-V1", "-NOCD", script_path]


def run_one(cfg, name, src, work, log):
    files, size = tree_size(src)
    pkg = os.path.join(work, "solid-%s.bin" % name)
    sevenz = os.path.join(work, "solid-%s.7z" % name)
    nsis = os.path.join(work, "solid-%s-nsis.exe" % name)
    zipped = os.path.join(work, "solid-%s.zip" % name)
    tools = {
        "zmpack create": ([cfg.zmpack, "create", "-o", pkg, "--stub", "none", "--title", name,
                           src], pkg),
        "7zz a -mx=9": (["7zz", "a", "-bd", "-bso0", "-mx=9", sevenz, "."], sevenz),
        "makensis /SOLID lzma": (nsis_solid(src, nsis, name, nsis + ".nsi"), nsis),
        "zip -r -9": (["zip", "-q", "-r", "-9", zipped, "."], zipped),
    }
    entry = {"files": files, "bytes": size, "tools": {}}
    for tool, (cmd, out) in tools.items():
        if os.path.exists(out):
            os.unlink(out)
        read_once(src)
        dt, rss = timed(cmd, cwd=src)
        entry["tools"][tool] = {"seconds": dt, "output_bytes": os.path.getsize(out),
                                "peak_rss_kib": rss}
        log("solid %s: %s %.1f s, %d bytes" % (name, tool, dt, os.path.getsize(out)))
    sh([cfg.zmpack, "verify", pkg], stdout=subprocess.DEVNULL)
    with zipfile.ZipFile(pkg) as z:
        infos = z.infolist()
        entry["zmpack_entry_data_bytes"] = sum(i.compress_size for i in infos)
        entry["zmpack_header_bytes"] = entry["tools"]["zmpack create"]["output_bytes"] - \
            entry["zmpack_entry_data_bytes"]
    extract = {}
    for tool, cmd in (("zmpack extract", [cfg.zmpack, "extract", "-d", "OUT", pkg]),
                      ("7zz x", ["7zz", "x", "-bd", "-bso0", "-oOUT", sevenz])):
        times = []
        for _ in range(cfg.runs_create):
            dest = os.path.join(work, "solid-out")
            shutil.rmtree(dest, ignore_errors=True)
            dt, _ = timed([c.replace("OUT", dest) for c in cmd])
            times.append(dt)
        extract[tool] = median(times)
    entry["extract_seconds"] = extract
    entry["goals"] = {
        "entry_data_vs_7z": entry["zmpack_entry_data_bytes"] /
        entry["tools"]["7zz a -mx=9"]["output_bytes"],
        "create_time_vs_makensis": entry["tools"]["zmpack create"]["seconds"] /
        entry["tools"]["makensis /SOLID lzma"]["seconds"],
        "extract_time_vs_7zz": extract["zmpack extract"] / extract["7zz x"],
    }
    for out in (pkg, sevenz, nsis, zipped, nsis + ".nsi"):
        if os.path.exists(out):
            os.unlink(out)
    return entry


def run(cfg, work, log):
    return {name: run_one(cfg, name, src, work, log)
            for name, src in build_payloads(cfg.cache).items()}


def render(res, lines):
    """The section's table, for bench/report.py."""
    lines += ["| payload | tool | seconds | bytes |", "|---|---|---|---|"]
    for name, e in res.items():
        if "tools" not in e:
            continue
        label = "%s (%d files, %.1f MB)" % (name, e["files"], e["bytes"] / 1e6)
        for tool, t in e["tools"].items():
            lines.append("| %s | %s | %.1f | %d |" % (label, tool, t["seconds"], t["output_bytes"]))
            label = ""
        lines.append("| | zmpack entries' compressed data | | %d |" % e["zmpack_entry_data_bytes"])
        for tool, s in e["extract_seconds"].items():
            lines.append("| | %s | %.2f | |" % (tool, s))
        g = e["goals"]
        lines.append("| | goals: data / 7z %.3f, create / makensis %.2f, extract / 7zz x %.2f | | |"
                     % (g["entry_data_vs_7z"], g["create_time_vs_makensis"],
                        g["extract_time_vs_7zz"]))
    lines.append("")
