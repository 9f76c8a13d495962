#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Stands in for the HIN Client on 127.0.0.1:5016 with one reply per card number: the samples,
and the odd replies in which Qt 5 and Qt 6 behave differently unless the tool makes them agree.
Prints "listening" once it accepts connections. Usage: replies.py <samples dir>"""
import gzip
import re
import socket
import sys
import threading

samples = sys.argv[1]
record = open(samples + '/80756000080000000001.xml', 'rb').read()


def reply(status, body=b'', headers=()):
    head = b'HTTP/1.1 ' + status + b'\r\n'
    for name, value in headers:
        head += name + b': ' + value + b'\r\n'
    return head + b'Content-Length: %d\r\nConnection: close\r\n\r\n' % len(body) + body


def with_names(text, last, first):
    text = re.sub(rb'<last-name>.*</last-name>', b'<last-name>' + last + b'</last-name>', text)
    return re.sub(rb'<first-name>.*</first-name>', b'<first-name>' + first + b'</first-name>', text)


def padded(text, size):
    at = text.rindex(b'</')
    return text[:at] + b'<!--' + b' ' * size + b'-->\n' + text[at:]


odd = {
    '0404': reply(b'404 Not Found', b'<html>Not Found</html>'),
    '0500': reply(b'500 Internal Server Error'),
    '0407': reply(b'407 Proxy Authentication Required', b'',
                  [(b'Proxy-Authenticate', b'Basic realm="HIN"')]),
    '0503': b'HTTP/1.1 503\r\nContent-Length: 0\r\nConnection: close\r\n\r\n',  # no reason
    '0302': reply(b'302 Found', b'moved', [(b'Location', b'/moved')]),
    '0100': b'',  # closes without a byte
    '0201': reply(b'200 OK', gzip.compress(record), [(b'Content-Encoding', b'gzip')]),
    '0202': reply(b'200 OK', b'\x1f\x8b\x08\x00garbagegarbage', [(b'Content-Encoding', b'gzip')]),
    # 11 MiB unpacked at a ratio far above 40: Qt 6 refuses that on its own.
    '0203': reply(b'200 OK', gzip.compress(padded(record, 11 << 20)),
                  [(b'Content-Encoding', b'gzip')]),
    '0204': reply(b'200 OK', record.decode().encode('latin-1'),
                  [(b'Content-Type', b'text/xml; charset=ISO-8859-1')]),
    # CESU-8: a lone surrogate in the last name, a letter cased only since Unicode 14 in the first.
    '0205': reply(b'200 OK', with_names(record.replace(b'"UTF-8"', b'"CESU-8"'),
                                        b'M\xed\xa0\xbdLLER', b'A\xed\xa0\x81\xed\xb5\xb0NNA')),
}


def answer(connection):
    head = b''
    while b'\r\n\r\n' not in head:
        data = connection.recv(65536)
        if not data:
            break
        head += data
    line = head.split(b'\r\n', 1)[0].decode('latin-1')
    card = re.search(r'carte=(\d+)', line)
    card = card.group(1) if card else ''
    if '/moved' in line:
        out = reply(b'200 OK', record)
    elif card.startswith('807560000800'):
        try:
            out = reply(b'200 OK', open(samples + '/' + card + '.xml', 'rb').read(),
                        [(b'Content-Type', b'text/xml; charset=UTF-8')])
        except OSError:
            out = reply(b'200 OK', b'<validation-horizontale statut="60"/>')
    else:
        out = odd.get(card[-4:], reply(b'200 OK', b'<validation-horizontale statut="60"/>'))
    connection.sendall(out)
    connection.close()


server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(('127.0.0.1', 5016))
server.listen(64)
print('listening', flush=True)
while True:
    threading.Thread(target=answer, args=(server.accept()[0], ), daemon=True).start()
