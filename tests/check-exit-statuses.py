#!/usr/bin/env python3
"""Checks what the documents say of the programs against the programs' own sources.

    check-exit-statuses.py SOURCE_DIR

The header app/ExitCodes.h gives each status with the program it belongs to ("both", "dialog",
"console"). The console program's usage text (kUsage in app/PatchTexts.txt), docs/fleet.md,
docs/usage-zh.txt and README.md must list exactly the statuses of each program. The usage notes
must also quote the programs' texts as app/PatchTexts.txt holds them (in the sections that explain
what the programs say: "……" stands for what the program fills in or what the notes leave out), and
undo a patch with the console program's guarded --restore, never with a copy over zbk.db. Exits 1
on any difference.
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


def check_notes(texts, notes):
    """The usage notes' quotes of the programs' texts, and their undo."""
    escapes = {"n": "\n", '"': '"', "\\": "\\"}
    own = "".join(re.sub(r"\\(.)", lambda m: escapes[m.group(1)], body)
                  for body in re.findall(r'^k\w+ = "((?:[^"\\]|\\.)*)"', texts, re.M))
    status = 0
    for section in ("七、提示信息的含义", "八、批量部署"):
        text = between(notes, section, "\n九、")
        for quote in re.findall(r"“(.*?)”", re.sub(r"\n\s*", "", text), re.S):
            # The program fills in a path, a code (N), the kept file's checksum (XXXXXXXX).
            for piece in re.split(r"……|(?<= )N(?=）)|X{8}", quote):
                if piece.strip() and piece.strip() not in own:
                    print(f"FAIL docs/usage-zh.txt, {section}: “{quote}” is not the program's text ({piece.strip()!r})")
                    status = 1
    undo = between(notes, "撤销补丁：", "\n六、")
    if "UpgradePatchCmd.exe --restore " not in undo:
        print("FAIL docs/usage-zh.txt: the undo does not name UpgradePatchCmd.exe --restore")
        status = 1
    for line in re.findall(r"^.*copy .*\\zbk\.db\s*$", notes, re.M):
        print(f"FAIL docs/usage-zh.txt: a copy over zbk.db: {line.strip()}")
        status = 1
    if status == 0:
        print("ok   docs/usage-zh.txt: the quoted texts are the programs' own, the undo is --restore")
    return status


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
    status = check_notes(texts, notes)
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
