# Stand-ins for the Windows modules of ansible.windows, for the rollout test on localhost: each
# records what it was asked to do on which host in the file $PATCH_ROLLOUT_LOG, and answers as the
# real module would for the host's inventory variable patch_test_status (the program's exit status,
# "unchanged" for a 0 that wrote nothing, "nostart" for a program that could not be started).
import os

from ansible.plugins.action import ActionBase

UNCHANGED = "注册文件中已有这两个值，无需写入。"


class ActionModule(ActionBase):
    def run(self, tmp=None, task_vars=None):
        host = task_vars["inventory_hostname"]
        action = self._task.action.split(".")[-1]
        with open(os.environ["PATCH_ROLLOUT_LOG"], "a", encoding="utf-8") as log:
            log.write(f"{host} {action}\n")
        if action == "win_shell":  # where the registration file is: a file of the test's
            return {"changed": True, "rc": 0, "stderr": "",
                    "stdout": os.path.join(os.environ["PATCH_ROLLOUT_DIR"], host + ".db") + "\r\n"}
        if action != "win_command":
            return {"changed": True}
        status = str(task_vars.get("patch_test_status", "0"))
        if status == "nostart":
            return {"failed": True, "rc": 2, "cmd": self._task.args.get("cmd"),
                    "msg": "Failed to run: the system cannot find the file specified"}
        rc = 0 if status == "unchanged" else int(status)
        stdout = UNCHANGED if status == "unchanged" else ("补丁更新完毕！" if rc == 0 else "")
        return {"changed": True, "rc": rc, "stdout": stdout + "\r\n",
                "stderr": "" if rc == 0 else "写入失败\r\n", "failed": rc != 0,
                "msg": "" if rc == 0 else "non-zero return code"}
