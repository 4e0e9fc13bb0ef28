#!/usr/bin/python3
# bench_makeidx with a screen reader listening and without one, alternately,
# on one virtual X server and accessibility bus: shows whether announcing the
# run page's output as it arrives slows an index run. The "reader" is an
# AT-SPI client that registers for the text, caret and focus events a screen
# reader follows and counts them.
#
#   /usr/bin/python3 bench/indexer/reader_listening.py BUILD/bench/bench_makeidx [files [runs]]
#
# Needs Xvfb, dbus-x11, at-spi2-core and python3-pyatspi (apt-get install).
# Prints, for each of the four rounds, the events received and
# bench_makeidx's summary lines (window / by hand ratio, event-loop gaps).
import os, re, subprocess, sys, time, threading
BENCH = sys.argv[1]; FILES = sys.argv[2] if len(sys.argv) > 2 else "1000"; RUNS = sys.argv[3] if len(sys.argv) > 3 else "3"
DISPLAY = ":63"
env = dict(os.environ, DISPLAY=DISPLAY)
x = subprocess.Popen(["Xvfb", DISPLAY, "-screen", "0", "1280x900x24"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(1.0)
out = subprocess.check_output(["dbus-launch", "--sh-syntax"], env=env, text=True)
env["DBUS_SESSION_BUS_ADDRESS"] = re.search(r"DBUS_SESSION_BUS_ADDRESS='([^']*)'", out).group(1)
dbus_pid = int(re.search(r"DBUS_SESSION_BUS_PID=(\d+)", out).group(1))
launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
for _ in range(50):
    if subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"], env=env, capture_output=True).returncode == 0: break
    time.sleep(0.1)
env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", QT_QPA_PLATFORM="xcb")
os.environ.update(env)
import pyatspi
from gi.repository import GLib
counts = {}
def cb(e):
    counts[e.type] = counts.get(e.type, 0) + 1
def run(listen):
    counts.clear()
    if listen:
        pyatspi.Registry.registerEventListener(cb, "object:text-changed:insert", "object:text-changed:delete", "object:text-caret-moved", "object:state-changed:focused")
    p = subprocess.Popen([BENCH, FILES, RUNS], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    ctx = GLib.MainContext.default()
    while p.poll() is None:
        while ctx.pending(): ctx.iteration(False)
        time.sleep(0.005)
    out = p.stdout.read()
    if listen:
        pyatspi.Registry.deregisterEventListener(cb, "object:text-changed:insert", "object:text-changed:delete", "object:text-caret-moved", "object:state-changed:focused")
    return out, dict(counts)
try:
    for listen in (False, True, False, True):
        out, c = run(listen)
        print("==== reader listening" if listen else "==== no reader", c)
        print("\n".join(l for l in out.splitlines() if re.search(r"ratio|best|mean|gap|percentile", l, re.I)))
finally:
    for p in (launcher,):
        p.terminate()
    os.kill(dbus_pid, 15); x.terminate()
