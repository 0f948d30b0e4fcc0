"""The Markdown form of the results (bench/RESULTS.md) and the goals they are measured against."""

import solid_bench

KIB = 1024


def _mib(kib):
    return "%.1f" % (kib / 1024.0)


def _files(n):
    return "1 file" if n == 1 else "%d files" % n


def _s(seconds):
    return "" if seconds is None else "%.3f s" % seconds


def _ratio(peer_s, ours_s):
    return peer_s / ours_s if peer_s and ours_s else None


def goals(res):
    """(goal, measured, met) for every goal the results can speak to."""
    out = []
    ext = res.get("extract", {})

    def speedup(corpus, peer):
        tools = ext.get(corpus, {}).get("tools", {})
        if "zmpack" in tools and peer in tools:
            return _ratio(tools[peer]["median_s"], tools["zmpack"]["median_s"])
        return None

    for corpus, peer, want in (("mixed", "bsdtar", 1.3), ("small", "unzip", 1.2),
                               ("big", "bsdtar", 1.05)):
        r = speedup(corpus, peer)
        if r is not None:
            out.append(("zmpack extract >= %.2fx %s on %s" % (want, peer, corpus), "%.2fx" % r,
                        r >= want))
    rss = [t["peak_rss_kib"] for e in ext.values() if isinstance(e, dict)
           for n, t in e.get("tools", {}).items() if n == "zmpack"]
    rss += [s["peak_rss_kib"] for s in res.get("scaling", {}).values() if isinstance(s, dict)
            and "peak_rss_kib" in s]
    if rss:
        out.append(("zmpack extract peak RSS < 32 MiB", "%s MiB" % _mib(max(rss)),
                    max(rss) < 32 * KIB))
    scale = [s["peak_rss_kib"] for s in res.get("scaling", {}).values()
             if isinstance(s, dict) and "peak_rss_kib" in s]
    if len(scale) > 1:
        # Flat: the largest archive needs at most a quarter more memory than the smallest.
        out.append(("peak RSS flat across the scaling series (max <= 1.25x min)",
                    "%s..%s MiB" % (_mib(min(scale)), _mib(max(scale))),
                    max(scale) <= 1.25 * min(scale)))
    for corpus, w in res.get("wine", {}).get("corpora", {}).items():
        goal = "setup.exe extraction of %s faster than the NSIS install" % corpus
        if w.get("too_slow"):
            out.append((goal, "did not finish: " + w["too_slow"], False))
        elif w.get("extract_median_s") and w.get("nsis_median_s"):
            out.append((goal, "%.3f s vs %.3f s" % (w["extract_median_s"], w["nsis_median_s"]),
                        w["extract_median_s"] < w["nsis_median_s"]))
    v = res.get("verify", {})
    if v.get("ratio"):
        out.append(("VerifyBlock fast >= 0.9x zlib crc32", "%.2fx" % v["ratio"],
                    v["ratio"] >= 0.9))
    if v.get("i686", {}).get("ratio"):
        r = v["i686"]["ratio"]
        out.append(("VerifyBlock fast >= 0.9x zlib crc32, i686 build", "%.2fx" % r, r >= 0.9))
    st = res.get("stubs", {})
    if "setup_exe" in st:
        n = st["setup_exe"]["stripped_bytes"] or st["setup_exe"]["bytes"]
        out.append(("setup.exe (i686, engine embedded, stripped) <= 400 KiB",
                    "%.1f KiB" % (n / KIB), n <= 400 * KIB))
    if "engine_dll" in st:
        n = st["engine_dll"]["stripped_bytes"] or st["engine_dll"]["bytes"]
        out.append(("ZMEngine190.dll (i686) <= 200 KiB", "%.1f KiB" % (n / KIB), n <= 200 * KIB))
    return out


def _extract(res, lines):
    for name, e in res.items():
        if "error" in e:
            lines += ["### %s" % name, "", "Failed: " + e["error"], ""]
            continue
        lines += ["### %s: %s, %.1f MB (zip %.1f MB)" % (
            name, _files(e["files"]), e["bytes"] / 1e6, e["zip_bytes"] / 1e6), "",
            "| tool | median s | MB/s | vs unzip | peak RSS MiB | runs |",
            "|---|---|---|---|---|---|"]
        for t, v in sorted(e["tools"].items(), key=lambda kv: kv[1]["median_s"]):
            lines.append("| %s | %.3f | %.0f | %.2fx | %s | %d |" % (
                t, v["median_s"], v["mbs"], v["speedup_vs_unzip"], _mib(v["peak_rss_kib"]),
                len(v["runs"])))
        lines += ["", "Limits in the same run: zlib raw inflate to memory %.0f MB/s, with CRC-32 "
                  "%.0f MB/s (one core); page-cache file writes %.0f MB/s." % (
                      e["inflate_limit_mbs"], e["inflate_crc_limit_mbs"], e["disk_write_mbs"]),
                  ""]


def _create(res, lines):
    for name, e in res.items():
        if "error" in e:
            lines += ["### %s" % name, "", "Failed: " + e["error"], ""]
            continue
        lines += ["### %s: %s, %.1f MB" % (name, _files(e["files"]), e["bytes"] / 1e6), "",
                  "| tool | median s | MB/s of input | vs zip | output bytes | peak RSS MiB |",
                  "|---|---|---|---|---|---|"]
        for t, v in sorted(e["tools"].items(), key=lambda kv: kv[1]["median_s"]):
            lines.append("| %s | %.3f | %.0f | %.2fx | %d | %s |" % (
                t, v["median_s"], v["input_mbs"], v["speedup_vs_zip"], v["output_bytes"],
                _mib(v["peak_rss_kib"])))
        lines += ["", "zmpack's output includes its stub (%s), makensis's its own (x86-unicode); "
                  "zmpack at max and 7zz ran once." % e["zmpack_stub"], ""]
        g = e.get("goals")
        if g:
            lines += ["Goals: the default level's bytes %.3fx zip -9's (goal <= 1), its time "
                      "%.2fx zip -9's (goal <= 0.5); max's bytes %.3fx 7zz's (goal <= 0.98)." % (
                          g["default_bytes_vs_zip9"], g["default_time_vs_zip9"],
                          g["max_bytes_vs_7zz"]), ""]


def _wine(w, lines):
    if "error" in w:
        lines += ["Failed: " + w["error"], ""]
        return
    if w.get("setup_build", "x86_64") == "i686":
        build = ("setup.exe is the shipped i686 build under the 32-bit Wine, against NSIS's "
                 "%s installer." % w.get("nsis_target", "x86-unicode"))
    else:
        build = ("setup.exe is the x86_64 build of the same sources: this kernel cannot run "
                 "32-bit programs, so the shipped i686 build was NOT executed.")
    lines += ["%s, warm persistent wineserver, one Xvfb display. %s "
              "Wine's fixed start cost (a trivial program, start to exit): %.3f s (median)." % (
                  w["wine"], build, w["start_median_s"]), "",
              "| corpus | setup.exe start to Welcome | contents check (paced) | extraction "
              "(check end to Finish) | NSIS /S install | NSIS / extraction | runs |",
              "|---|---|---|---|---|---|---|"]
    slow = []
    for name, c in w["corpora"].items():
        if c.get("too_slow"):
            slow.append("%s: setup.exe did not reach its last page (%s)." % (name, c["too_slow"]))
        lines.append("| %s | %s | %s | %s | %s | %s | %d |" % (
            name, _s(c["window_median_s"]), _s(c["check_median_s"]),
            _s(c["extract_median_s"]) if c["extract_s"] else "did not finish",
            _s(c["nsis_median_s"]),
            "%.2fx" % (c["nsis_median_s"] / c["extract_median_s"])
            if c["extract_s"] and c["nsis_s"] else "",
            len(c["extract_s"])))
    default = [(n, c) for n, c in w["corpora"].items()
               if c.get("default_extract_s") and c.get("extract_s")]
    if default:
        lines += ["", "The same files packed by `zmpack create` at its default level against the "
                  "zip -6 (zlib) archive above, extraction by setup.exe (goal: no slower):", "",
                  "| corpus | default-level package bytes | zip -6 package bytes | extraction "
                  "| vs zip -6 package |", "|---|---|---|---|---|"]
        for name, c in default:
            lines.append("| %s | %d | %d | %s | %.2fx |" % (
                name, c["default_bytes"], c["setup_bytes"], _s(c["default_extract_median_s"]),
                c["default_extract_median_s"] / c["extract_median_s"]))
    lines += [""] + slow + [
        "", "NSIS times run from start to exit and so include Wine's start cost and its own CRC "
        "check of the installer's data; installed files byte-compared after every run.", ""]


def _stubs(st, lines):
    lines += ["| program | bytes | stripped | one tiny file installer |", "|---|---|---|---|"]
    for key, label in (("setup_exe", "setup.exe (i686, engine embedded)"),
                       ("engine_dll", "ZMEngine190.dll (i686)"),
                       ("nsis_x86-unicode", "NSIS 3 stub, x86-unicode, zlib"),
                       ("nsis_amd64-unicode", "NSIS 3 stub, amd64-unicode, zlib")):
        if key not in st:
            continue
        v = st[key]
        lines.append("| %s | %s | %s | %s |" % (
            label, v.get("bytes", ""), v.get("stripped_bytes") or "",
            v.get("one_tiny_file_bytes", "")))
    lines.append("")


def _verify(v, lines):
    lines += ["Over the \"zip\" block of %s (%.1f MB), medians of %d runs:" % (
        v["package"], v["mb"], v["runs"]), "",
        "| build | zlib crc32 MB/s | VerifyBlock fast MB/s | ratio |", "|---|---|---|---|",
        "| native x86-64 | %.0f | %.0f | %.2fx |" % (v["crc32_mbs"], v["verify_mbs"], v["ratio"])]
    i686 = v.get("i686", {})
    if "ratio" in i686:
        lines.append("| i686 (the shipped code, 32-bit Wine) | %.0f | %.0f | %.2fx |" % (
            i686["crc32_mbs"], i686["verify_mbs"], i686["ratio"]))
    elif i686:
        lines.append("| i686 | %s | | |" % (i686.get("error") or "skipped: " + i686["skipped"]))
    lines.append("")


def _scaling(sc, lines):
    lines += ["| archive | entries | MB | median s | MB/s | µs per entry | time per unit vs "
              "smallest | peak RSS MiB |", "|---|---|---|---|---|---|---|---|"]
    smallest = {}
    for name, s in sc.items():
        kind = name.split("-")[0]
        # The unit is the MB for the size series and the entry for the entry series.
        units = s["bytes"] if kind == "size" else s["files"]
        per_unit = s["median_s"] / units
        smallest.setdefault(kind, per_unit)
        lines.append("| %s | %d | %.1f | %.3f | %.0f | %s | %.2fx | %s |" % (
            name, s["files"], s["bytes"] / 1e6, s["median_s"], s["mbs"],
            "%.1f" % s["us_per_entry"] if kind == "entries" else "",
            per_unit / smallest[kind], _mib(s["peak_rss_kib"])))
    lines += ["", "Linear growth keeps the time per MB (or per entry) at about 1.00x of the "
              "smallest archive's; flat memory keeps the peak RSS the same down the column.", ""]


def markdown(res):
    v = res["versions"]
    lines = ["# Benchmark results", "",
             "%s; %s, %s, %d cores, %s GiB. Runs per tool: %s. Medians; runs alternate "
             "between tools, each into a fresh folder, the input read once untimed before each; "
             "every output is byte-compared with its source after each run." % (
                 res["date"], res["machine"], res.get("cpu", "?"), res["cpus"],
                 res.get("memory_gib", "?"),
                 ", ".join("%s %d" % kv for kv in res["run_counts"].items())),
             "", "Tools: " + "; ".join("%s: %s" % kv for kv in v.items()) + ".", ""]
    g = goals(res)
    if g:
        lines += ["## Goals", "", "| goal | measured | met |", "|---|---|---|"]
        lines += ["| %s | %s | %s |" % (a, b, "yes" if ok else "**no**") for a, b, ok in g]
        lines.append("")
    sections = (("extract", "Native extraction", _extract),
                ("create", "Building from a folder", _create),
                ("solid", "Solid packages on real software", solid_bench.render),
                ("wine", "Installing under Wine", _wine),
                ("stubs", "Stub sizes", _stubs),
                ("verify", "VerifyBlock against zlib crc32", _verify),
                ("scaling", "Scaling of zmpack extract", _scaling))
    for key, title, render in sections:
        if key not in res:
            continue
        lines += ["## " + title, ""]
        part = res[key]
        if isinstance(part, dict) and set(part) == {"error"}:
            lines += ["Failed: " + part["error"], ""]
        elif isinstance(part, dict) and set(part) == {"skipped"}:
            lines += ["Skipped: " + part["skipped"], ""]
        else:
            render(part, lines)
    return "\n".join(lines) + "\n"
