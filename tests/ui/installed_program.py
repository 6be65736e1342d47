#!/usr/bin/python3
'''The installed program for real: installs corvane with cvinstall into a folder of the test's own
(with a registry file of its own), feeds it NMEA through a pseudo-terminal mapped to COM3:, runs
it on an X server of its own (Xvfb) with the accessibility bus, and reads the GPS screen's texts
through AT-SPI, by the names every control carries.

usage: installed_program.py CVINSTALL
Exit status 77 (skipped) where Xvfb, dbus-run-session or python3-pyatspi is missing.
'''

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
EPOCH = [
    '$GPGGA,{t},4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,*{c}',
    '$GPGSA,A,3,04,05,09,12,24,25,29,30,,,,,1.8,0.9,1.5*{c}',
    '$GPGSV,2,1,08,04,40,083,46,05,60,254,44,09,22,201,40,12,10,035,38*{c}',
    '$GPGSV,2,2,08,24,71,112,48,25,15,309,36,29,35,155,42,30,05,268,30*{c}',
    '$GPRMC,{t},A,4807.0380,N,01131.0000,E,000.0,000.0,071226,003.1,W*{c}',
]
# What the GPS screen shows for that fix with the settings of a fresh installation.
EXPECTED = ['PDOP: 1.8', 'Elev:  1789.4 ft']


def checksum(body):
    value = 0
    for ch in body[1:body.index('*')]:
        value ^= ord(ch)
    return '%02X' % value


def sentences(second):
    t = '12%02d%02d.00' % (second // 60 % 60, second % 60)
    for template in EPOCH:
        line = template.replace('{t}', t)
        yield line.replace('{c}', checksum(line)) + '\r\n'


def feed(master, stop):
    second = 0
    while not stop.is_set():
        for line in sentences(second):
            os.write(master, line.encode())
        second += 1
        stop.wait(1.0)


def controls(app, role):
    found = []

    def walk(node):
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is None:
                continue
            if child.getRoleName() == role:
                found.append(child)
            walk(child)
    walk(app)
    return found


def text_of(label):
    """A value field carries its caption as its name and the value shown as its description."""
    return label.description or label.name


def labels(app):
    """The shown text of every label."""
    return [text_of(label) for label in controls(app, 'label')]


def x_server_answers(display):
    """True when an X client can open the display (the whole handshake, not only the socket)."""
    xlib = ctypes.CDLL('libX11.so.6')
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    if not connection:
        return False
    xlib.XCloseDisplay(connection)
    return True


def start_x_server(children):
    """An Xvfb of this test's own, on a display above the ones that -displayfd hands out to the
    other tests' servers, kept up for the whole test. Its display, or None."""
    for number in range(90, 130):
        if os.path.exists('/tmp/.X%d-lock' % number):
            continue
        display = ':%d' % number
        # -noreset: by default the server resets when its last client leaves (the check
        # below, or the accessibility launcher) and refuses connections meanwhile.
        xvfb = subprocess.Popen(['Xvfb', display, '-noreset', '-screen', '0', '800x600x24',
                                 '-nolisten', 'tcp'], stderr=subprocess.DEVNULL)
        for _ in range(100):
            if xvfb.poll() is not None:
                break  # the number was taken after all
            if x_server_answers(display):
                children.append(xvfb)
                return display
            time.sleep(0.1)
        if xvfb.poll() is None:
            xvfb.kill()
        xvfb.wait()
    return None


def find_app(pyatspi, name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def main():
    cvinstall = sys.argv[1]
    for tool in ('Xvfb', 'dbus-run-session'):
        if shutil.which(tool) is None:
            print(tool + ' is not installed: skipped')
            return SKIP
    if 'CORVANE_TEST_SESSION' not in os.environ:
        # A session bus of the test's own, for the accessibility bus.
        os.environ['CORVANE_TEST_SESSION'] = '1'
        return subprocess.call(['dbus-run-session', '--', sys.executable] + sys.argv)
    try:
        import pyatspi
    except ImportError:
        print('python3-pyatspi is not installed: skipped')
        return SKIP

    work = tempfile.mkdtemp(prefix='corvane-installed-')
    env = dict(os.environ, CORVANE_REGISTRY=work + '/registry.reg', HOME=work,
               CORVANE_SHM_PREFIX='cvinstalled', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1',
               QT_ACCESSIBILITY='1', XDG_RUNTIME_DIR=work)
    env.pop('WAYLAND_DISPLAY', None)
    app = work + '/app'
    subprocess.run([cvinstall, 'install', app], env=env, check=True, stdout=subprocess.DEVNULL)
    # A cv.ini of the user's (the defaults), so that no first-run notice waits for an answer.
    with open(app + '/cv.ini', 'w') as ini:
        ini.write('[Corvane]\nGPSPort=COM3:\n')
    master, slave = os.openpty()
    subprocess.run([app + '/cvtool', 'port', 'COM3:', os.ttyname(slave)], env=env, check=True,
                   stdout=subprocess.DEVNULL)

    children = []
    stop = threading.Event()
    try:
        display = start_x_server(children)
        if display is None:
            print('no X server could be started')
            return 1
        env['DISPLAY'] = os.environ['DISPLAY'] = display
        launcher = '/usr/libexec/at-spi-bus-launcher'
        if os.path.exists(launcher):
            children.append(subprocess.Popen([launcher, '--launch-immediately'], env=env,
                                             stderr=subprocess.DEVNULL))
        feeder = threading.Thread(target=feed, args=(master, stop), daemon=True)
        feeder.start()
        program = subprocess.Popen([app + '/corvane', '--no-splash'], env=env)
        children.append(program)
        started = time.monotonic()
        seen = []
        while time.monotonic() - started < 60:
            if program.poll() is not None:
                print('corvane ended with status %d' % program.returncode)
                return 1
            found = find_app(pyatspi, 'Corvane')
            seen = labels(found) if found is not None else []
            if all(text in seen for text in EXPECTED):
                print('GPS screen after %.1f s: %s' % (time.monotonic() - started, seen))
                return 0
            time.sleep(0.25)
        print('the GPS screen never showed %s; last seen: %s' % (EXPECTED, seen))
        return 1
    finally:
        stop.set()
        for child in reversed(children):
            child.send_signal(signal.SIGTERM)
            try:
                child.wait(5)
            except subprocess.TimeoutExpired:
                child.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
