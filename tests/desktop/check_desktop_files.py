#!/usr/bin/env python3
"""Checks of the files the desktop and `man` read, one command per ctest entry:

  desktop-entry  desktop-file-validate, and the entry's names in both languages
  metainfo       appstreamcli validate, and the metainfo agreeing with the
                 desktop entry, the version and the screenshot in the tree
  man-render     groff renders each manual page without a warning
  man-help       kirabox-batch(1) documents every option, step, key and choice
                 that `kirabox-batch --help` prints, and no option it lacks
  install        `cmake --install` puts every file in place, icons at size
  screenshot     the screenshot tool runs and gives the committed picture's size

Exit 77 (skipped) when the validating tool is not installed, after the checks
that need no tool have passed."""
import argparse
import configparser
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

APP_ID = "io.github.kirabox.KiraBox"
SKIP = 77
XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"
failures = []


def check(ok, message):
    if not ok:
        failures.append(message)


def data(args, *parts):
    return os.path.join(args.source, "data", *parts)


def desktop_entry(args):
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(data(args, APP_ID + ".desktop"), encoding="utf-8")
    return entry["Desktop Entry"]


def run_tool(argv):
    """(exit status, output) of a validator, or None when it is not installed."""
    if shutil.which(argv[0]) is None:
        return None
    done = subprocess.run(argv, capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


def validate_with(argv):
    result = run_tool(argv)
    if result is None:
        return False
    check(result[0] == 0, f"{' '.join(argv)} failed:\n{result[1]}")
    return True


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n", f"{path}: not a PNG")
    return struct.unpack(">II", head[16:24])


def cmd_desktop_entry(args):
    entry = desktop_entry(args)
    for key in ("Name", "GenericName", "Comment", "Keywords"):
        check(entry.get(key) and entry.get(key + "[ja]"), f"desktop entry: {key} needs English and [ja]")
    check(os.path.exists(os.path.join(args.source, "packaging", entry.get("Icon", "") + ".svg")),
          "desktop entry: Icon= names no icon of packaging/")
    return validate_with(["desktop-file-validate", data(args, APP_ID + ".desktop")])


def cmd_metainfo(args):
    path = data(args, APP_ID + ".metainfo.xml")
    root = ET.parse(path).getroot()
    entry = desktop_entry(args)
    check(root.findtext("id") == APP_ID, "metainfo: id")
    check(root.findtext("launchable") == APP_ID + ".desktop", "metainfo: launchable is not the desktop entry")
    for tag in ("name", "summary"):
        langs = {e.get(XML_LANG) for e in root.findall(tag)}
        check(langs == {None, "ja"}, f"metainfo: {tag} needs English and ja, has {langs}")
    check({e.get(XML_LANG) for e in root.findall("description/p")} == {None, "ja"},
          "metainfo: description needs English and ja paragraphs")
    check({e.text for e in root.findall("provides/binary")} == {"kirabox", "kirabox-batch"},
          "metainfo: provided binaries")
    mime = [m for m in entry["MimeType"].split(";") if m]
    check([e.text for e in root.findall("provides/mediatype")] == mime,
          "metainfo: media types differ from the desktop entry's MimeType")
    releases = root.findall("releases/release")
    check(releases and releases[0].get("version") == args.version,
          f"metainfo: the newest release is not {args.version} (add a <release> for it)")
    for image in root.findall("screenshots/screenshot/image"):
        rel = re.sub(r"^https://raw\.githubusercontent\.com/[^/]+/[^/]+/[^/]+/", "", image.text)
        local = os.path.join(args.source, rel)
        check(os.path.isfile(local), f"metainfo: screenshot {rel} is not in the repository")
        if os.path.isfile(local):
            check(os.path.getsize(local) <= 200 * 1024, f"{rel}: larger than 200 KB")
    return validate_with(["appstreamcli", "validate", "--no-net", path])


def man_pages(args):
    return [data(args, "man", p) for p in ("kirabox.1", "kirabox-batch.1")]


def cmd_man_render(args):
    for page in man_pages(args):
        with open(page, encoding="utf-8") as f:
            th = f.readline()
        check(f'"kirabox {args.version}"' in th, f"{page}: .TH does not name version {args.version}")
        result = run_tool(["groff", "-man", "-ww", "-z", "-Tutf8", page])
        if result is None:
            return False
        check(result == (0, ""), f"{page}: groff warns:\n{result[1]}")
    return True


def plain(roff):
    """Roff source as text: escaped hyphens as hyphens, no font changes."""
    return re.sub(r"\\f[BIRP]", "", roff.replace("\\-", "-"))


OPTION = re.compile(r"(?<![\w-])--[a-z][a-z-]*")


def help_steps(help_text):
    """[(step, {key: [choice words]})] in the order --help lists them."""
    steps = []
    for line in help_text.split("\nsteps:\n", 1)[1].splitlines():
        if m := re.match(r"^  (\S+)  -- ", line):
            steps.append((m.group(1), {}))
        elif m := re.match(r"^      ([a-z0-9]+): (.*)$", line):
            choices = re.match(r"^([a-z0-9]+(?:, [a-z0-9]+)+) \(", m.group(2))
            steps[-1][1][m.group(1)] = choices.group(1).split(", ") if choices else []
    return steps


def man_steps(roff):
    """{step: (keys, section text)} of the STEPS section: a heading is `.B name`
    after a `.TP` outside any .RS block, a key the same one block in."""
    section = roff.split("\n.SH STEPS\n", 1)[1].split("\n.SH ", 1)[0].splitlines()
    steps, depth, step = {}, 0, None
    for previous, line in zip([""] + section, section):
        depth += (line == ".RS") - (line == ".RE")
        heading = previous == ".TP" and line.startswith(".B ")
        if heading and depth == 0:
            step = line[3:]
            steps[step] = (set(), [])
        elif step:
            if heading and depth == 1:
                steps[step][0].add(line[3:])
            steps[step][1].append(line)
    return {name: (keys, "\n".join(text)) for name, (keys, text) in steps.items()}


def cmd_man_help(args):
    help_text = subprocess.run([args.batch, "--help"], capture_output=True, text=True, check=True).stdout
    with open(data(args, "man", "kirabox-batch.1"), encoding="utf-8") as f:
        roff = plain(f.read())
    in_help, in_page = set(OPTION.findall(help_text)), set(OPTION.findall(roff))
    check(not in_help - in_page, f"kirabox-batch.1 lacks the options {sorted(in_help - in_page)}")
    check(not in_page - in_help, f"kirabox-batch.1 names options --help does not: {sorted(in_page - in_help)}")
    page = man_steps(roff)
    listed = help_steps(help_text)
    check([s for s, _ in listed] == list(page), f"kirabox-batch.1 steps {list(page)} are not --help's "
          f"{[s for s, _ in listed]}")
    for step, keys in listed:
        if step not in page:
            continue
        check(set(keys) == page[step][0], f"kirabox-batch.1: {step} keys {sorted(page[step][0])}, "
              f"--help {sorted(keys)}")
        for key, choices in keys.items():
            for word in choices:
                check(re.search(rf"(?<![\w-]){word}(?![\w-])", page[step][1]),
                      f"kirabox-batch.1: {step} {key} lacks the choice {word}")
    return True


def cmd_install(args):
    with tempfile.TemporaryDirectory() as prefix:
        subprocess.run(["cmake", "--install", args.build, "--prefix", prefix],
                       check=True, stdout=subprocess.DEVNULL)
        share = os.path.join(prefix, "share")
        expected = ["bin/kirabox-batch", f"share/applications/{APP_ID}.desktop",
                    f"share/metainfo/{APP_ID}.metainfo.xml", "share/man/man1/kirabox.1.gz",
                    "share/man/man1/kirabox-batch.1.gz", "share/icons/hicolor/scalable/apps/kirabox.svg"]
        if args.ui in ("ON", "1", "TRUE"):
            expected.append("bin/kirabox")
        for file in expected:
            check(os.path.isfile(os.path.join(prefix, file)), f"not installed: {file}")
        for size in (48, 128, 256):
            png = os.path.join(share, f"icons/hicolor/{size}x{size}/apps/kirabox.png")
            check(os.path.isfile(png) and png_size(png) == (size, size), f"no {size} px icon")
        for page in man_pages(args):
            name = os.path.basename(page)
            done = subprocess.run(["gzip", "-dc", os.path.join(share, "man/man1", name + ".gz")],
                                  capture_output=True)
            with open(page, "rb") as f:
                check(done.stdout == f.read(), f"installed {name} is not the source page")
    return True


def cmd_screenshot(args):
    photo = os.path.join(args.source, "tests/data/photos/rocket.jpg")
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "shot.png")
        subprocess.run([args.shot, photo, out], check=True)
        check(png_size(out) == png_size(data(args, "screenshots", "main-window.png")),
              "the screenshot tool's picture differs in size from the committed one")
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--batch")
    parser.add_argument("--build")
    parser.add_argument("--ui", default="ON")
    parser.add_argument("--shot")
    parser.add_argument("command", choices=["desktop-entry", "metainfo", "man-render", "man-help",
                                            "install", "screenshot"])
    args = parser.parse_args()
    ran_tool = globals()["cmd_" + args.command.replace("-", "_")](args)
    for failure in failures:
        print(failure, file=sys.stderr)
    if failures:
        return 1
    if not ran_tool:
        print("validating tool not installed: skipped", file=sys.stderr)
        return SKIP
    return 0


if __name__ == "__main__":
    sys.exit(main())
