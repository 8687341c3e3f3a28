#!/usr/bin/env python3
"""Fails on a problem line of the log written without the Windows error number and its text.

A problem line is the text given to Problem(), or to Note() when it begins with words of failure
("无法", "未能"): what an administrator reads to learn why something did not happen. When a Windows
call failed, the line carries DescribeSystemError (as copy failures do) or the SystemError() of the
result it was handed. A line about what the program itself found (a link, a path too long, a list
that is full, a file changed by the user) has no system error to give: a comment "// No system
error: <why>" on one of the three lines above the call says so, and the check takes it.

Tests and tools are not checked. Prints each offending call as file:line and exits 1 when any.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
FOLDERS = ["acad", "app", "files", "install", "platform", "state", "ui", "uninstall"]
CALL = re.compile(r"(?:\.|->)(Problem|Note)\(")
CARRIES = ("DescribeSystemError(", "SystemError()")
FAILURE_WORDS = ('"无法', '"未能')
EXEMPT = re.compile(r"//\s*No system error:", re.IGNORECASE)


def argument(text, start):
    """The text between the parenthesis at `start` and its match (strings and chars skipped)."""
    depth, i, quote = 0, start, None
    while i < len(text):
        c = text[i]
        if quote:
            if c == "\\":
                i += 1
            elif c == quote:
                quote = None
        elif c in "\"'":
            quote = c
        elif c == "(":
            depth += 1
        elif c == ")":
            depth -= 1
            if depth == 0:
                return text[start + 1 : i]
        i += 1
    return text[start + 1 :]


def main():
    faults = checked = 0
    for folder in FOLDERS:
        for path in sorted((ROOT / folder).rglob("*.cpp")):
            text = path.read_text(encoding="utf-8")
            lines = text.splitlines()
            for match in CALL.finditer(text):
                arg = argument(text, match.end() - 1)
                if match.group(1) == "Note" and not arg.lstrip().startswith(FAILURE_WORDS):
                    continue
                checked += 1
                line = text.count("\n", 0, match.start()) + 1
                if any(carried in arg for carried in CARRIES):
                    continue
                above = lines[max(0, line - 4) : line - 1]
                if any(EXEMPT.search(l) for l in above):
                    continue
                faults += 1
                shown = " ".join(arg.split())
                print(f"{path.relative_to(ROOT)}:{line}: problem line without the system error: {shown[:100]}")
    print(f"check-problem-errors: {checked} problem lines, {faults} without the system error")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
