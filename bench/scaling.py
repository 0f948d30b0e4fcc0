"""Scaling of `zmpack extract`: archives of 10, 100 and 1,000 MB (one mildly compressible file
each) and of 1,000, 10,000 and 100,000 entries (files of 0-2 KiB, 100 to a folder). Time should
grow linearly with the size or the entry count, peak memory not at all.

The source folders and their zip archives (Info-ZIP `zip -r -6 -D`: no folder entries, so the
entry count is the file count) are generated once, deterministically, under CACHE/scale/."""
import os
import random

import gen_corpus
import native_extract
from benchlib import alternate, check_tree, median, read_once, remove_tree, sh, timed, tree_size

SIZES_MB = (10, 100, 1000)
ENTRIES = (1000, 10000, 100000)


def gen_size(root, mb):
    rng = random.Random(1000 + mb)
    gen_corpus.write(os.path.join(root, "data.bin"), gen_corpus.mild_bytes(rng, mb * 1000000))


def gen_entries(root, count):
    rng = random.Random(2000 + count)
    for i in range(count):
        n = rng.randint(0, 2 << 10)
        data = gen_corpus.text_bytes(rng, n) if rng.random() < 0.7 else rng.randbytes(n)
        gen_corpus.write(os.path.join(root, "d%04d" % (i // 100), "f%06d.txt" % i), data)


def series(quick):
    """(name, generator, argument) of every archive in the series; --quick leaves out the
    largest of each kind."""
    sizes = SIZES_MB[:-1] if quick else SIZES_MB
    entries = ENTRIES[:-1] if quick else ENTRIES
    return ([("size-%dMB" % mb, gen_size, mb) for mb in sizes] +
            [("entries-%d" % n, gen_entries, n) for n in entries])


def prepare(cache, name, gen, arg, log):
    """The source folder and its zip archive, made once."""
    base = os.path.join(cache, "scale")
    src = os.path.join(base, name)
    z = os.path.join(base, name + ".zip")
    stamp = os.path.join(base, name + ".done")
    if not os.path.exists(stamp):
        log("scaling: generating %s" % name)
        remove_tree(src)
        if os.path.exists(z):
            os.unlink(z)
        os.makedirs(src)
        gen(src, arg)
        sh(["zip", "-q", "-r", "-6", "-D", z, "."], cwd=src)
        with open(stamp, "w") as f:
            f.write("%d %d\n" % tree_size(src))
    return src, z


def run(cfg, work, log):
    items = []
    for name, gen, arg in series(cfg.quick):
        src, z = prepare(cfg.cache, name, gen, arg, log)
        pkg = os.path.join(work, name + ".pkg")
        native_extract.package(cfg.zmpack, z, pkg, name)
        files, size = tree_size(src)
        items.append({"name": name, "src": src, "pkg": pkg, "files": files, "bytes": size,
                      "zip_bytes": os.path.getsize(z), "runs": [], "rss": 0})
    for r in range(cfg.runs_scale):
        for it in alternate(items, r):
            out = os.path.join(work, "scale-%s-%d" % (it["name"], r))
            os.makedirs(out)
            read_once(it["pkg"])
            dt, m = timed([cfg.zmpack, "extract", it["pkg"], "-d", out, "--overwrite", "always"])
            it["runs"].append(dt)
            it["rss"] = max(it["rss"], m)
            check_tree(it["src"], out, "zmpack extract of %s, run %d" % (it["name"], r + 1))
            if it["files"] <= 4:
                remove_tree(out)
        log("scaling: run %d/%d done" % (r + 1, cfg.runs_scale))
    result = {}
    for it in items:
        os.unlink(it["pkg"])
        med = median(it["runs"])
        result[it["name"]] = {"files": it["files"], "bytes": it["bytes"],
                              "zip_bytes": it["zip_bytes"], "median_s": med,
                              "mbs": it["bytes"] / med / 1e6,
                              "us_per_entry": med / it["files"] * 1e6,
                              "peak_rss_kib": it["rss"], "runs": it["runs"]}
    return result

