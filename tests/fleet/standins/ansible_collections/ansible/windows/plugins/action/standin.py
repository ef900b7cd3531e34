# Stand-ins for the Windows modules of ansible.windows, for the rollout test on localhost. Each
# server is a directory of the test's, $PATCH_ROLLOUT_DIR/servers/HOST, holding its registration
# file zbk.db and its temp/ directory, so that backups and undos move real bytes. Each stand-in
# checks the arguments it is given as the real module would need them, records what it did in
# $PATCH_ROLLOUT_LOG ("HOST ACTION ..."), and answers as the real module would. The inventory
# variables of a host choose its faults:
#   patch_test_status     the program's outcome: 0 (patched), unchanged, 1, 3, 4, 5, 64, nostart
#   patch_test_fault      find (the copy aside fails), fetch (the copy cannot be fetched),
#                         copy or run (the host becomes unreachable at that step)
import os
import re
import shutil

from ansible.plugins.action import ActionBase

RESULT = "upgradepatch-result: "


class ActionModule(ActionBase):
    def run(self, tmp=None, task_vars=None):
        self.host = task_vars["inventory_hostname"]
        self.server = os.path.join(os.environ["PATCH_ROLLOUT_DIR"], "servers", self.host)
        self.fault = str(task_vars.get("patch_test_fault", ""))
        self.status = str(task_vars.get("patch_test_status", "0"))
        self.check_mode = bool(task_vars.get("ansible_check_mode"))
        action = self._task.action.split(".")[-1]
        args = self._task.args
        result = getattr(self, action)(args)
        with open(os.environ["PATCH_ROLLOUT_LOG"], "a", encoding="utf-8") as log:
            argument = args.get("cmd") or args.get("dest") or args.get("path") or ""
            log.write(f"{self.host} {action} {self.local(argument)}\n")
        return result

    def local(self, path):  # a Windows path the playbook joined with backslashes
        return path.replace("\\", "/")

    def wrong(self, what):
        return {"failed": True, "msg": f"stand-in: {what}"}

    def in_run_dir(self, path):
        run_dir = os.path.dirname(self.local(path))
        return os.path.basename(run_dir).startswith("upgradepatch-") and \
            os.path.dirname(run_dir) == os.path.join(self.server, "temp")

    def win_tempfile(self, args):
        if args.get("state") != "directory" or args.get("prefix") != "upgradepatch-":
            return self.wrong(f"win_tempfile {args}")
        path = os.path.join(self.server, "temp", f"upgradepatch-{os.urandom(4).hex()}")
        os.mkdir(path)
        return {"changed": True, "path": path}

    def win_shell(self, args):  # the copy aside of the registration file
        script = args.get("_raw_params", "")
        run = re.search(r"\$run = '([^']+)'", script)
        name = re.search(r"\$copy = Join-Path \$run '([^']+)'", script)
        if not run or not name or not os.path.isdir(run.group(1)):
            return self.wrong("win_shell: no run directory")
        if self.fault == "find":
            return {"failed": True, "rc": 1, "stdout": "", "stderr": "access denied",
                    "msg": "non-zero return code"}
        temp = os.path.dirname(run.group(1))
        for leftover in os.listdir(temp):
            if os.path.join(temp, leftover) != run.group(1):
                shutil.rmtree(os.path.join(temp, leftover))
        copy = os.path.join(run.group(1), name.group(1))
        shutil.copyfile(os.path.join(self.server, "zbk.db"), copy)
        return {"changed": True, "rc": 0, "stderr": "",
                "stdout": (copy + ".missing" if self.fault == "fetch" else copy) + "\r\n"}

    def win_copy(self, args):
        if not self.in_run_dir(args.get("dest", "")):
            return self.wrong(f"win_copy to {args.get('dest')}")
        if self.fault == "copy":
            return {"unreachable": True, "msg": "connection lost"}
        src = args["src"]
        if not os.path.isabs(src):
            src = self._find_needle("files", src)
        shutil.copyfile(src, self.local(args["dest"]))
        return {"changed": True}

    def win_file(self, args):
        path = self.local(args.get("path", ""))
        if args.get("state") != "absent" or not self.in_run_dir(os.path.join(path, "x")):
            return self.wrong(f"win_file {args}")
        shutil.rmtree(path, ignore_errors=True)
        return {"changed": True}

    def win_command(self, args):
        words = re.findall(r'"([^"]*)"|(\S+)', args.get("cmd", ""))
        words = [a or b for a, b in words]
        program = self.local(words[0])
        if not self.in_run_dir(program) or not os.path.isfile(program):
            return self.wrong(f"win_command runs {words[0]}, not this run's copy")
        if ("--dry-run" in words) != self.check_mode:
            return self.wrong(f"win_command {words} in check mode {self.check_mode}")
        if self.status == "nostart":
            return {"failed": True, "rc": 2, "cmd": args.get("cmd"),
                    "msg": "Failed to run: the system cannot find the file specified"}
        registration = os.path.join(self.server, "zbk.db")
        if "--restore" in words:
            return self.restore(registration, self.local(words[2]), self.local(words[3]))
        rc, word = {"unchanged": (0, "unchanged"), "1": (1, "not-installed"),
                    "3": (3, "no-install-dir"), "4": (4, "no-version"),
                    "5": (5, "write-failed"), "64": (64, "usage")}.get(self.status, (0, "patched"))
        with open(registration, encoding="ascii") as f:
            if word == "patched" and "version=1.8.5" in f.read():
                word = "unchanged"
        if word == "patched" and self.check_mode:
            word = "would-patch"
        elif word == "patched":
            with open(registration, "a", encoding="ascii") as f:
                f.write("version=1.8.5\r\napppath=c:\\quellor\\\r\n")
        if self.fault == "run":
            return {"unreachable": True, "msg": "connection lost during the run"}
        return self.said(rc, word)

    def restore(self, registration, kept, patched):
        now, kept_bytes, patched_bytes = (open(p, "rb").read() for p in (registration, kept, patched))
        if now == patched_bytes and now != kept_bytes:
            shutil.copyfile(kept, registration)
        return self.said(*((0, "unchanged") if now == kept_bytes else
                           (0, "restored") if now == patched_bytes else (6, "refused")))

    @staticmethod
    def said(rc, word):
        return {"changed": True, "rc": rc, "stdout": f"text for people\r\n{RESULT}{word}\r\n",
                "stderr": "" if rc == 0 else "failure text\r\n", "failed": rc != 0,
                "msg": "" if rc == 0 else "non-zero return code"}
