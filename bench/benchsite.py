"""The story-site simulator as a benchmark's site: started on a free port with a catalog,
its request log read and reset between the runs it serves, stopped at the end."""

import json
import os
import subprocess
import sys
import urllib.request

STORYSIM = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "storysim",
                        "storysim.py")


class Simulator:
    def __init__(self, catalog_path):
        self.process = subprocess.Popen(
            [sys.executable, STORYSIM, "--port", "0", "--catalog", catalog_path],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        if not line.startswith("PORT "):
            raise SystemExit("the simulator did not start")
        self.base = "http://127.0.0.1:%d" % int(line.split()[1])

    def requests(self):
        """Every request since the last call."""
        with urllib.request.urlopen(self.base + "/__log", timeout=10) as answer:
            log = json.load(answer)
        urllib.request.urlopen(self.base + "/__reset", timeout=10).read()
        return log

    def stop(self):
        self.process.stdin.close()
        self.process.wait(timeout=10)
