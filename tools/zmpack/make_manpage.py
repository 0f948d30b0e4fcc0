#!/usr/bin/env python3
"""Writes the zmpack(1) man page from the program's own --help texts.

    make_manpage.py ZMPACK OUT.1

The overview comes from `zmpack --help`, one section per command from `zmpack COMMAND --help`,
the version from `zmpack --version`; option lines ("  -o, --output OUT   text", continued by
deeper-indented lines) become tagged paragraphs, everything else is kept as written.
"""
import re
import subprocess
import sys

OPTION = re.compile(r"^  (-\S.*?)(?:\s{2,}(\S.*))?$")
CONTINUED = re.compile(r"^\s{6,}(\S.*)$")
COMMAND = re.compile(r"^  ([a-z]+)\s{2,}(\S.*)$")
USAGE = re.compile(r"^(?:Usage:|      ) (zmpack .*)$")


def run(zmpack, *args):
    done = subprocess.run([zmpack, *args], capture_output=True, text=True, check=True)
    return done.stdout


def esc(text):
    """Text as roff shows it: backslashes kept, dashes as minus signs, no control lines."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def split_term(line, column):
    """An option or command line's name and text; a name that reaches into the text's column
    is followed by a single space there."""
    m = OPTION.match(line) or COMMAND.match(line)
    if not m:
        return None
    if m.group(2) is None and len(line) > column and line[column - 1] == " ":
        return line[2:column].strip(), line[column:].strip()
    return m.group(1), m.group(2)


def body(lines):
    """A help text's lines as roff: option lists as .TP paragraphs, the rest as filled text."""
    columns = [m.start(2) for m in map(OPTION.match, lines) if m and m.group(2)]
    column = max(set(columns), key=columns.count) if columns else 0
    out = []
    in_list = False
    i = 0
    while i < len(lines):
        line = lines[i]
        term = split_term(line, column)
        if term:
            words = [term[1]] if term[1] else []
            i += 1
            while i < len(lines) and CONTINUED.match(lines[i]) and not OPTION.match(lines[i]):
                words.append(CONTINUED.match(lines[i]).group(1))
                i += 1
            out += [".TP", "\\fB" + esc(term[0]) + "\\fR", esc(" ".join(words))]
            in_list = True
            continue
        if not line.strip() or in_list:
            out.append(".PP")
            in_list = False
        if not line.strip():
            pass
        elif USAGE.match(line):
            pass  # the synopsis has it
        else:
            out.append(esc(line.strip()))
        i += 1
    return out


def main():
    zmpack, target = sys.argv[1], sys.argv[2]
    version = run(zmpack, "--version").split()[-1]
    overview = run(zmpack, "--help").splitlines()
    commands = [m.group(1) for m in map(COMMAND.match, overview) if m]
    if not commands:
        sys.exit("make_manpage: no commands in zmpack --help")
    tagline = overview[1].rstrip(".")
    page = [
        '.TH ZMPACK 1 "" "zmpack %s" "User Commands"' % version,
        ".SH NAME",
        "zmpack \\- " + esc(tagline[0].lower() + tagline[1:]),
        ".SH SYNOPSIS",
    ]
    helps = {name: run(zmpack, name, "--help").splitlines() for name in commands}
    page.append(".nf")
    for name in commands:
        for m in filter(None, map(USAGE.match, helps[name])):
            page.append(esc(m.group(1)).replace("zmpack " + name, "\\fBzmpack %s\\fR" % name, 1))
    page += [".fi", ".SH DESCRIPTION"] + body(overview[1:])
    page += [".SH COMMANDS"]
    for name in commands:
        page += [".SS zmpack " + name] + body(helps[name])
    page += [
        ".SH FILES",
        ".TP",
        "\\fI../share/zmsetup/setup.exe\\fR",
        "beside the folder zmpack is in: the default stub of \\fBzmpack create\\fR "
        "(the i686 installer; \\fIsetup\\-x86_64.exe\\fR beside it is the x86\\-64 one).",
    ]
    with open(target, "w", encoding="utf-8") as f:
        f.write("\n".join(page) + "\n")


if __name__ == "__main__":
    main()
