#!/usr/bin/env python3
"""Holds a conversion run still while it holds its UCF's lock, until another run says it waits.

    hold_run_stopped.py UCF STOPPED_FLAG OTHER_STDERR -- PROGRAM [ARGS...]

Starts PROGRAM, stops it (SIGSTOP) as soon as the system lists a lock on UCF's run byte,
creates STOPPED_FLAG, waits until OTHER_STDERR holds the waiting message of a second run,
lets the first go on and exits with its status. A run of the Windows program under Wine is
stopped the same way: its lock belongs to wineserver, which keeps it while the run is still.
"""
import os
import signal
import subprocess
import sys
import time

RUN_BYTE = (1 << 63) - 2
TIMEOUT = 120


def lock_listed(file_id):
    """Whether /proc/locks lists a lock (held, not waited for) on the run byte of the file."""
    with open("/proc/locks") as locks:
        for line in locks:
            fields = line.split()
            if "->" not in fields and fields[-3:-1] == [file_id, str(RUN_BYTE)]:
                return True
    return False


def main():
    ucf, stopped_flag, other_stderr, separator, *command = sys.argv[1:]
    assert separator == "--" and command, __doc__
    status = os.stat(ucf)
    file_id = "%02x:%02x:%d" % (os.major(status.st_dev), os.minor(status.st_dev), status.st_ino)
    run = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + TIMEOUT
    while not lock_listed(file_id):
        if run.poll() is not None:
            sys.exit("the run ended (status %d) before it could be stopped" % run.returncode)
        if time.monotonic() > deadline:
            run.kill()
            sys.exit("the run took no lock on the UCF")
        time.sleep(0.0005)
    os.kill(run.pid, signal.SIGSTOP)
    if not lock_listed(file_id):
        os.kill(run.pid, signal.SIGCONT)
        sys.exit("the run let go of its lock before it could be stopped")
    open(stopped_flag, "w").close()
    try:
        while b"waiting for another run" not in open(other_stderr, "rb").read():
            if time.monotonic() > deadline:
                sys.exit("the second run never said that it waits")
            time.sleep(0.05)
        time.sleep(0.5)
    finally:
        os.kill(run.pid, signal.SIGCONT)
    sys.exit(run.wait())


if __name__ == "__main__":
    main()
