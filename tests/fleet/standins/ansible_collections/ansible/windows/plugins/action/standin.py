# Stand-ins for the Windows modules of ansible.windows, for the rollout test on localhost. Each
# server is a directory of the test's, $PATCH_ROLLOUT_DIR/servers/HOST, holding its registration
# file zbk.db and its temp/ directory, so that backups and undos move real bytes. Each stand-in
# checks the arguments it is given as the real module would need them, records what it did in
# $PATCH_ROLLOUT_LOG ("HOST ACTION ..."), and answers as the real module would. The inventory
# variables of a host choose its faults:
#   patch_test_status     the program's outcome: 0 (patched), unchanged, 1, 3, 4, 5, 64, nostart, hang
#   patch_test_fault      find (the copy aside fails), fetch (the copy cannot be fetched),
#                         copy or run (the host becomes unreachable at that step), interrupt (SIGTERM
#                         to ansible-playbook as the program ends)
#   patch_test_service    before or after: the service writes the file just before or after the write
#   patch_test_slow       seconds before the write step, which takes turns through a lock file
import fcntl, os, re, shutil, signal, time  # noqa: E401

from ansible.plugins.action import ActionBase

RESULT = "upgradepatch-result: "


class ActionModule(ActionBase):
    def run(self, tmp=None, task_vars=None):
        self.host = task_vars["inventory_hostname"]
        self.server = os.path.join(os.environ["PATCH_ROLLOUT_DIR"], "servers", self.host)
        self.fault = str(task_vars.get("patch_test_fault", ""))
        self.status = str(task_vars.get("patch_test_status", "0"))
        self.check_mode = bool(task_vars.get("ansible_check_mode"))
        self.vars = task_vars
        action = self._task.action.split(".")[-1]
        args = self._task.args
        result = getattr(self, action)(args)
        with open(os.environ["PATCH_ROLLOUT_LOG"], "a", encoding="utf-8") as log:
            argument = " ".join(args.get("argv") or []) or args.get("dest") or args.get("path") or ""
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

    def win_powershell(self, args):  # makes the run's directory, or copies the file aside
        given = args.get("parameters") or {}
        if self.server in args.get("script", "") or args.get("error_action") != "stop":
            return self.wrong("win_powershell: data spliced into the script, or errors not stopping it")
        if set(given) == {"Run"} and re.fullmatch(r"[A-Za-z0-9_-]+", given["Run"]):
            path = os.path.join(self.server, "temp", f"upgradepatch-{given['Run']}-{os.urandom(4).hex()}")
            os.mkdir(path, 0o700)
            return {"changed": False, "result": {"path": path}}
        if set(given) != {"Dir"} or not self.in_run_dir(os.path.join(given["Dir"], "x")):
            return self.wrong(f"win_powershell {given}")
        if self.fault == "find":
            return {"failed": True, "result": {}, "error": [{"exception": {"message": "access denied"}}]}
        copy = os.path.join(given["Dir"], "zbk.db")
        shutil.copyfile(os.path.join(self.server, "zbk.db"), copy)
        return {"changed": False, "result": {"path": copy + ".missing" if self.fault == "fetch" else copy}}

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
        words = args.get("argv") or [""]
        program = self.local(words[0])
        if not self.in_run_dir(program) or not os.path.isfile(program):
            return self.wrong(f"win_command runs {words[0]}, not this run's copy")
        record = os.path.dirname(program) if "--record" in words else None
        if ("--dry-run" in words) != self.check_mode or (record is None) != (self.check_mode or "--restore" in words) \
                or record and words[-1] != record:
            return self.wrong(f"win_command {words} in check mode {self.check_mode}")
        if self.status == "nostart":
            return {"failed": True, "rc": 2, "cmd": args.get("cmd"),
                    "msg": "Failed to run: the system cannot find the file specified"}
        time.sleep(int(self.vars.get("patch_test_slow", 0)) or (3600 if self.status == "hang" else 0))
        registration = os.path.join(self.server, "zbk.db")
        lock = open(os.path.join(self.server, "lock"), "w")  # the write step takes turns
        fcntl.flock(lock, fcntl.LOCK_EX)
        if "--restore" in words:
            return self.restore(registration, self.local(words[2]), self.local(words[3]))
        if self.vars.get("patch_test_service") == "before" and record:
            open(registration, "ab").write(b"service=wrote\r\n")
        rc, word = {"unchanged": (0, "unchanged"), "1": (1, "not-installed"),
                    "3": (3, "no-install-dir"), "4": (4, "no-version"),
                    "5": (5, "write-failed"), "64": (64, "usage")}.get(self.status, (0, "patched"))
        before = open(registration, "rb").read()
        if word == "patched" and b"version=1.8.5" in before:
            word = "unchanged"
        if word == "patched" and self.check_mode:
            word = "would-patch"
        after = before + b"version=1.8.5\r\napppath=c:\\quellor\\\r\n" if word == "patched" else before
        for name, data in (("zbk.db.before", before), ("zbk.db.patched", after)) if record and rc == 0 else ():
            with open(os.path.join(record, name + ".tmp"), "wb") as f:  # each whole under its name
                f.write(data)
            os.replace(os.path.join(record, name + ".tmp"), os.path.join(record, name))
        with open(registration, "wb") as f:
            f.write(after)
        if self.vars.get("patch_test_service") == "after" and record:
            open(registration, "ab").write(b"service=wrote\r\n")
        if self.fault == "run":
            return {"unreachable": True, "msg": "connection lost during the run"}
        if self.fault == "interrupt":
            os.kill(os.getppid(), signal.SIGTERM)
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
