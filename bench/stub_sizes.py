"""Stub sizes: our setup.exe (i686, the product, with the engine embedded) and ZMEngine190.dll,
against NSIS's stub; each also as the installer of one tiny file."""
import os
import shutil
import subprocess

import nsis
from benchlib import sh

STRIP = "i686-w64-mingw32-strip"


def stripped_size(path, work):
    """The size after removing every symbol (the build strips already; this shows it did)."""
    if shutil.which(STRIP) is None:
        return None
    copy = os.path.join(work, "stripped-" + os.path.basename(path))
    sh([STRIP, "--strip-all", "-o", copy, path])
    n = os.path.getsize(copy)
    os.unlink(copy)
    return n


def run(cfg, work):
    tiny = os.path.join(work, "tiny")
    os.makedirs(tiny)
    with open(os.path.join(tiny, "readme.txt"), "w") as f:
        f.write("one tiny file\n")
    out = {}
    for key, path in (("setup_exe", cfg.win32_setup), ("engine_dll", cfg.win32_engine)):
        if os.path.exists(path):
            out[key] = {"path": path, "bytes": os.path.getsize(path),
                        "stripped_bytes": stripped_size(path, work)}
    if "setup_exe" in out:
        pkg = os.path.join(work, "tiny-setup.exe")
        sh([cfg.zmpack, "create", "-o", pkg, "--stub", cfg.win32_setup, "--title", "tiny", tiny],
           stdout=subprocess.DEVNULL)
        out["setup_exe"]["one_tiny_file_bytes"] = os.path.getsize(pkg)
    for target in ("x86-unicode", "amd64-unicode"):
        exe = nsis.build(tiny, os.path.join(work, "tiny-nsis-%s.exe" % target), "tiny", target)
        out["nsis_" + target] = {"one_tiny_file_bytes": os.path.getsize(exe)}
    shutil.rmtree(tiny)
    return out
