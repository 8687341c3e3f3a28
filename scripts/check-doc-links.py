#!/usr/bin/env python3
"""Fails on a link between the Markdown files that leads nowhere.

Checks every relative link and image, [text](path), [text](path#anchor) and [text](#anchor), in the
Markdown files of the repository (build/ and dist/ aside): the file or folder must exist, and an anchor
must be the slug of a heading of the file it points into, made as GitHub makes it (lower case, what is
neither a letter, a digit, a space, '-' nor '_' dropped, spaces to '-', a repeated heading numbered
-1, -2, ...). Links with a scheme (https:, mailto:) are not followed. Text in code spans and fenced
code blocks is no link. Prints each broken link as file:line and exits 1 when there is one.

    scripts/check-doc-links.py [folder]     (default: the repository this script lies in)
"""

import functools
import os
import re
import sys
import unicodedata

SKIPPED_FOLDERS = {".git", "build", "dist", "node_modules"}
# The target of a link or an image: "](target)", also of an image inside a link's text.
LINK = re.compile(r"\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
FENCE = re.compile(r"^\s*(```|~~~)")
HEADING = re.compile(r"^\s{0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
CODE_SPAN = re.compile(r"(`+)(.+?)\1")


def slug(heading):
    """The anchor GitHub gives a heading."""
    text = CODE_SPAN.sub(lambda m: m.group(2), heading)
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", text)  # a link in a heading keeps its text
    text = re.sub(r"<[^>]+>", "", text).strip().lower()
    kept = []
    for ch in text:
        category = unicodedata.category(ch)
        if ch in " -_" or category[0] in "LMN":
            kept.append(ch)
    return "".join(kept).replace(" ", "-")


def prose_lines(path):
    """(line number, line) of a Markdown file, fenced code blocks left out."""
    fence = None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            match = FENCE.match(line)
            if match:
                if fence is None:
                    fence = match.group(1)
                elif match.group(1) == fence:
                    fence = None
                continue
            if fence is None:
                yield number, line.rstrip("\n")


@functools.lru_cache(maxsize=None)
def anchors_of(path):
    """The anchors of the headings of a Markdown file."""
    seen = {}
    anchors = set()
    for _, line in prose_lines(path):
        match = HEADING.match(line)
        if not match:
            continue
        base = slug(match.group(2))
        count = seen.get(base, 0)
        seen[base] = count + 1
        anchors.add(base if count == 0 else f"{base}-{count}")
    return anchors


def markdown_files(root):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders if d not in SKIPPED_FOLDERS)
        for name in sorted(files):
            if name.endswith(".md"):
                yield os.path.join(folder, name)


def broken_links(root):
    """(file, line, link, why) for every link that leads nowhere."""
    for path in markdown_files(root):
        for number, line in prose_lines(path):
            for match in LINK.finditer(CODE_SPAN.sub("", line)):
                target = match.group(1)
                if not target or re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target):
                    continue
                file_part, _, anchor = target.partition("#")
                destination = path if not file_part else os.path.normpath(
                    os.path.join(os.path.dirname(path), file_part))
                if not os.path.exists(destination):
                    yield path, number, target, "no such file"
                elif anchor:
                    if not destination.endswith(".md") or os.path.isdir(destination):
                        yield path, number, target, "an anchor into what is no Markdown file"
                    elif anchor not in anchors_of(destination):
                        yield path, number, target, "no heading with this anchor"


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    root = os.path.normpath(root)
    checked = sum(1 for _ in markdown_files(root))
    faults = 0
    for path, number, target, why in broken_links(root):
        print(f"{os.path.relpath(path, root)}:{number}: ({target}): {why}")
        faults += 1
    if faults:
        print(f"{faults} broken link(s) in {checked} Markdown files")
        return 1
    print(f"links of {checked} Markdown files checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
