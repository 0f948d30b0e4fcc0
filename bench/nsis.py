"""NSIS installers of a folder (zlib, the same compressor family as ours), for the build, install
and stub-size comparisons."""
import os
import subprocess

from benchlib import sh


def script(src, out, name, target):
    """An installer that copies every file below src into the chosen folder; nothing else
    (no uninstaller, no registry, no shortcuts), so it does what our installer does."""
    return "\n".join([
        "Unicode true",
        "Target %s" % target,
        "SetCompressor zlib",
        'Name "%s"' % name,
        'OutFile "%s"' % out,
        'InstallDir "$TEMP\\%s"' % name,
        "RequestExecutionLevel user",
        "Section",
        '  SetOutPath "$INSTDIR"',
        '  File /r "%s/*"' % os.path.abspath(src),
        "SectionEnd",
        ""])


def command(src, out, name, target, script_path):
    """Writes the script and returns the makensis command that builds it."""
    with open(script_path, "w") as f:
        f.write(script(src, out, name, target))
    return ["makensis", "-V1", "-NOCD", script_path]


def build(src, out, name, target):
    path = out + ".nsi"
    sh(command(src, out, name, target, path), stdout=subprocess.DEVNULL)
    os.unlink(path)
    return out


def build_cached(src, out, name, target, stamp):
    """Builds out unless it is newer than the corpus stamp."""
    if os.path.exists(out) and os.path.getmtime(out) >= os.path.getmtime(stamp):
        return out
    return build(src, out, name, target)
