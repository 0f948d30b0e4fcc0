"""Helpers shared by the benchmark sections: running and timing commands, warming the page
cache, comparing an extracted tree with its source, tool versions and small statistics."""
import os
import statistics
import subprocess
import time

# A run that takes longer than this is hung (a Wine window waiting for an answer, say).
RUN_TIMEOUT_S = 900


def sh(cmd, **kw):
    kw.setdefault("timeout", RUN_TIMEOUT_S)
    return subprocess.run(cmd, check=True, **kw)


def timed(cmd, cwd=None, env=None):
    """Wall time (s) and peak RSS (KiB) of a command, through /usr/bin/time."""
    t0 = time.perf_counter()
    r = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, cwd=cwd, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                       timeout=RUN_TIMEOUT_S)
    dt = time.perf_counter() - t0
    if r.returncode != 0:
        raise RuntimeError("%s failed (exit %d): %s" % (" ".join(cmd), r.returncode,
                                                         r.stderr[-800:]))
    return dt, int(r.stderr.strip().splitlines()[-1])


def tool_version(cmd, line=""):
    """The first line of the command's output that starts with `line`, shortened."""
    try:
        out = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                             timeout=30).stdout
    except (OSError, subprocess.TimeoutExpired):
        return "missing"
    lines = [l.strip() for l in out.splitlines() if l.strip().startswith(line) and l.strip()]
    return lines[0][:80] if lines else "?"


def walk_files(root):
    """Relative paths of every file and of every folder below root, as two sorted lists."""
    files, dirs = [], []
    for d, ds, fs in os.walk(root):
        rel = os.path.relpath(d, root)
        for name in ds:
            dirs.append(os.path.normpath(os.path.join(rel, name)))
        for name in fs:
            files.append(os.path.normpath(os.path.join(rel, name)))
    return sorted(files), sorted(dirs)


def tree_size(root):
    """(number of files, total bytes) below root."""
    files, _ = walk_files(root)
    return len(files), sum(os.path.getsize(os.path.join(root, f)) for f in files)


def read_once(*paths):
    """Reads files, or every file below folders, so that a timed run finds them cached."""
    for p in paths:
        if os.path.isdir(p):
            read_once(*[os.path.join(p, f) for f in walk_files(p)[0]])
            continue
        with open(p, "rb") as f:
            while f.read(1 << 22):
                pass


def _same_file(a, b):
    if os.path.getsize(a) != os.path.getsize(b):
        return False
    with open(a, "rb") as fa, open(b, "rb") as fb:
        while True:
            x = fa.read(1 << 20)
            if x != fb.read(1 << 20):
                return False
            if not x:
                return True


def tree_difference(want, got):
    """None when got holds exactly the files and folders of want with the same bytes, else a
    line naming the first difference."""
    wf, wd = walk_files(want)
    gf, gd = walk_files(got)
    for kind, w, g in (("file", wf, gf), ("folder", wd, gd)):
        missing = sorted(set(w) - set(g))
        extra = sorted(set(g) - set(w))
        if missing:
            return "%d %s(s) missing, first %s" % (len(missing), kind, missing[0])
        if extra:
            return "%d unexpected %s(s), first %s" % (len(extra), kind, extra[0])
    for f in wf:
        if not _same_file(os.path.join(want, f), os.path.join(got, f)):
            return "content differs: " + f
    return None


def check_tree(want, got, what):
    why = tree_difference(want, got)
    if why is not None:
        raise SystemExit("%s: the output in %s differs from %s: %s" % (what, got, want, why))


def median(xs):
    return statistics.median(xs) if xs else None


def alternate(items, run):
    """The order of the tools in a run: forwards on even runs, backwards on odd ones, so that no
    tool always follows the same neighbour."""
    items = list(items)
    return items if run % 2 == 0 else items[::-1]


def remove_tree(path):
    subprocess.run(["rm", "-rf", path], check=False)
