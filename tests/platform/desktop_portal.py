'''A desktop portal for the Wayland backends' tests: the host registry, RemoteDesktop and
GlobalShortcuts.

Each request answers at once with its Response signal; parameters: start_response (the answer
to RemoteDesktop.Start, 0 by default) and shortcuts (False leaves GlobalShortcuts out).
'''

import dbus
import dbus.lowlevel

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.RemoteDesktop'
SYSTEM_BUS = False

SESSION = '/org/freedesktop/portal/desktop/session/1/test'


def respond(mock, options, code, results):
    path = '/org/freedesktop/portal/desktop/request/1/' + str(options['handle_token'])
    signal = dbus.lowlevel.SignalMessage(path, 'org.freedesktop.portal.Request', 'Response')
    signal.append(dbus.UInt32(code), dbus.Dictionary(results, signature='sv'),
                  signature='ua{sv}')
    mock.connection.send_message(signal)
    return dbus.ObjectPath(path)


def load(mock, parameters):
    session = {'session_handle': dbus.String(SESSION)}
    start = parameters.get('start_response', 0)
    mock.AddMethods('org.freedesktop.host.portal.Registry', [('Register', 'sa{sv}', '', '')])
    mock.AddMethods(MAIN_IFACE, [
        ('CreateSession', 'a{sv}', 'o', lambda self, o: respond(self, o, 0, session)),
        ('SelectDevices', 'oa{sv}', 'o', lambda self, s, o: respond(self, o, 0, {})),
        ('Start', 'osa{sv}', 'o', lambda self, s, w, o: respond(self, o, start, {})),
        ('NotifyKeyboardKeysym', 'oa{sv}iu', '', ''),
    ])
    if parameters.get('shortcuts', True):
        mock.AddMethods('org.freedesktop.portal.GlobalShortcuts', [
            ('CreateSession', 'a{sv}', 'o', lambda self, o: respond(self, o, 0, session)),
            ('BindShortcuts', 'oa(sa{sv})sa{sv}', 'o',
             lambda self, s, keys, w, o: respond(self, o, 0, {})),
        ])
