"""Native extraction: `zmpack extract` against the peer extractors on the same zip bytes, with the
single-core inflate limit and the disk's write speed measured in the same run."""
import os
import subprocess
import sys
import time
import zipfile
import zlib

from benchlib import alternate, check_tree, median, read_once, remove_tree, sh, timed, tree_size


def tools(zmpack):
    return {
        "zmpack": lambda pkg, z, out: [zmpack, "extract", pkg, "-d", out, "--overwrite", "always"],
        "unzip": lambda pkg, z, out: ["unzip", "-q", "-o", z, "-d", out],
        "7zz": lambda pkg, z, out: ["7zz", "x", "-y", "-bd", "-o" + out, z],
        "bsdtar": lambda pkg, z, out: ["bsdtar", "-xf", z, "-C", out],
        "python": lambda pkg, z, out: [
            sys.executable, "-c",
            "import zipfile,sys; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])", z, out],
    }


def deflated_entries(zip_path):
    """(entry, its compressed bytes) for every deflated entry, read straight from the file."""
    zf = zipfile.ZipFile(zip_path)
    with open(zip_path, "rb") as raw:
        for info in zf.infolist():
            if info.compress_type != zipfile.ZIP_DEFLATED:
                continue
            # The local header's name and extra field lengths, which may differ from the
            # central directory's.
            raw.seek(info.header_offset + 26)
            n = int.from_bytes(raw.read(2), "little")
            m = int.from_bytes(raw.read(2), "little")
            raw.seek(info.header_offset + 30 + n + m)
            yield info, memoryview(raw.read(info.compress_size))


def inflate_limit(zip_path):
    """zlib raw inflate of every deflated entry to memory, on one core: MB/s of output, without
    and with CRC-32 of the output."""
    out_bytes = 0
    spent = [0.0, 0.0]
    for info, data in deflated_entries(zip_path):
        out_bytes += info.file_size
        for with_crc in (0, 1):
            t0 = time.perf_counter()
            d = zlib.decompressobj(-15)
            crc = 0
            for at in range(0, len(data), 1 << 20):
                piece = d.decompress(data[at:at + (1 << 20)])
                if with_crc:
                    crc = zlib.crc32(piece, crc)
            spent[with_crc] += time.perf_counter() - t0
    return [out_bytes / s / 1e6 if s > 0 else 0.0 for s in spent]


def disk_write_speed(dest, nbytes):
    """Page-cache writes of nbytes in 1 MiB pieces to one new file, MB/s."""
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


def package(zmpack, z, pkg, title):
    """A package without a stub around the zip archive, for `zmpack extract`."""
    sh([zmpack, "create", "-o", pkg, "--stub", "none", "--zip", z, "--title", title],
       stdout=subprocess.DEVNULL)


def run(cfg, name, src, z, work, log):
    """One corpus: every tool `runs` times, alternating, each into a fresh folder that is
    byte-compared with the source after the run."""
    files, size = tree_size(src)
    pkg = os.path.join(work, name + ".pkg")
    package(cfg.zmpack, z, pkg, name)
    inflate, inflate_crc = inflate_limit(z)
    entry = {"files": files, "bytes": size, "zip_bytes": os.path.getsize(z), "tools": {},
             "inflate_limit_mbs": inflate, "inflate_crc_limit_mbs": inflate_crc,
             "disk_write_mbs": disk_write_speed(work, min(size, 512 << 20))}
    cmds = tools(cfg.zmpack)
    times = {t: [] for t in cmds}
    rss = {t: 0 for t in cmds}
    runs = cfg.runs if name != "big" else max(1, (cfg.runs + 1) // 2)
    for r in range(runs):
        for t in alternate(cmds, r):
            out = os.path.join(work, "%s-%s-%d" % (name, t, r))
            os.makedirs(out)
            read_once(pkg if t == "zmpack" else z)
            dt, m = timed(cmds[t](pkg, z, out))
            times[t].append(dt)
            rss[t] = max(rss[t], m)
            check_tree(src, out, "%s on %s, run %d" % (t, name, r + 1))
            # Deleting one large file is harmless here (unlike many small ones); it saves disk.
            if files <= 4:
                remove_tree(out)
        log("extract %s: run %d/%d done" % (name, r + 1, runs))
    os.unlink(pkg)
    base = median(times["unzip"])
    for t in cmds:
        med = median(times[t])
        entry["tools"][t] = {"median_s": med, "mbs": size / med / 1e6,
                             "speedup_vs_unzip": base / med, "peak_rss_kib": rss[t],
                             "runs": times[t]}
    return entry
