#!/usr/bin/env python3
"""Runs a program on a pseudo-terminal and answers it, as a user would.

Reads a JSON object on standard input:
  {"program": PATH, "args": [...], "cwd": DIR, "env": {NAME: VALUE},
   "steps": [[TEXT, ANSWER], ...]}
For each step, waits until TEXT appears in what the program wrote since the
previous step's text, then types ANSWER (raw: "\\n" for Enter, "\\u0003" for
Ctrl+C). Then reads until the program ends. Prints a JSON object: "exit" (the
status, -1 when killed), "transcript" (everything the terminal showed, CR
removed) and "error" (a step that never came)."""
import json
import os
import pty
import select
import signal
import sys
import time

STEP_TIMEOUT = 30.0

config = json.load(sys.stdin)
env = dict(os.environ)
env.update(config.get("env", {}))
for name in config.get("unset", []):
    env.pop(name, None)

pid, fd = pty.fork()
if pid == 0:
    os.chdir(config["cwd"])
    program = config["program"]
    os.execve(program, [program] + config.get("args", []), env)

output = b""
ended = False


def read_some(deadline):
    """Reads what is there before deadline; False once the program closed."""
    global output, ended
    remaining = deadline - time.time()
    if remaining <= 0:
        return True
    ready, _, _ = select.select([fd], [], [], remaining)
    if not ready:
        return True
    try:
        data = os.read(fd, 65536)
    except OSError:
        data = b""
    if not data:
        ended = True
        return False
    output += data
    return True


error = None
position = 0
for text, answer in config.get("steps", []):
    wanted = text.encode()
    deadline = time.time() + STEP_TIMEOUT
    while True:
        found = output.find(wanted, position)
        if found >= 0:
            position = found + len(wanted)
            break
        if ended or time.time() >= deadline:
            error = "never shown: " + text
            break
        read_some(deadline)
    if error:
        break
    os.write(fd, answer.encode())

deadline = time.time() + STEP_TIMEOUT
while not error and not ended and time.time() < deadline:
    read_some(deadline)
if not ended:
    os.kill(pid, signal.SIGKILL)
    error = error or "did not end"
_, status = os.waitpid(pid, 0)
code = os.WEXITSTATUS(status) if os.WIFEXITED(status) else -1
print(json.dumps({
    "exit": code,
    "transcript": output.decode("utf-8", "replace").replace("\r", ""),
    "error": error,
}))
