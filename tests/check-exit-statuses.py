#!/usr/bin/env python3
"""Checks every list of the programs' exit statuses against app/ExitCodes.h.

    check-exit-statuses.py SOURCE_DIR

The header gives each status with the program it belongs to ("both", "dialog", "console"). The
console program's usage text (kUsage in app/PatchTexts.txt), docs/fleet.md, docs/usage-zh.txt and
README.md must list exactly the statuses of each program. Exits 1 on any difference.
"""
import os
import re
import sys


def read(root, name):
    with open(os.path.join(root, name), encoding="utf-8") as f:
        return f.read()


def between(text, start, end):
    at = text.index(start)
    stop = text.find(end, at + len(start))
    return text[at:stop if stop >= 0 else len(text)]


def main():
    root = sys.argv[1]
    header = read(root, "app/ExitCodes.h")
    codes = {"dialog": set(), "console": set()}
    for value, owner in re.findall(r"^\s*kExit\w+ = (\d+),\s*// (both|dialog|console):", header, re.M):
        for program in (["dialog", "console"] if owner == "both" else [owner]):
            codes[program].add(int(value))
    if not codes["dialog"] or not codes["console"]:
        sys.exit("check-exit-statuses: no statuses found in app/ExitCodes.h")

    # The pieces of a text in PatchTexts.txt joined, as the build joins them.
    texts = re.sub(r'"\s*\n\s*"', "", read(root, "app/PatchTexts.txt"))
    fleet = read(root, "docs/fleet.md")
    notes = read(root, "docs/usage-zh.txt")
    readme = read(root, "README.md")
    lists = [
        ("console", "kUsage in app/PatchTexts.txt",
         r"[：；](\d+) ", between(texts, "退出码：", "\nkDryRunHeader")),
        ("console", "docs/fleet.md, Exit statuses",
         r"^\| (\d+) \|", between(fleet, "## Exit statuses", "\n## ")),
        ("console", "docs/usage-zh.txt, 批量部署",
         r"^  (\d+) ", between(notes, "八、批量部署", "\n九、")),
        ("dialog", "docs/usage-zh.txt, 窗口版的退出码",
         r"[：；](\d+) ", between(notes, "九、窗口版的退出码", "\n十、")),
        ("dialog", "README.md, the dialog's table",
         r"^\| (\d+) \|", between(readme, "`UpgradePatch.exe` (the dialog):", "`UpgradePatchCmd.exe`")),
        ("console", "README.md, the console program",
         r"(?:: |, )(\d+) [a-z]", between(readme, "runs the same\nprocedure without a window:", "; `--dry-run`")),
    ]
    status = 0
    for program, where, pattern, text in lists:
        found = {int(n) for n in re.findall(pattern, text, re.M)}
        if found != codes[program]:
            print(f"FAIL {where}: lists {sorted(found)}, app/ExitCodes.h gives the {program} program {sorted(codes[program])}")
            status = 1
        else:
            print(f"ok   {where}: {sorted(found)}")
    sys.exit(status)


if __name__ == "__main__":
    main()
