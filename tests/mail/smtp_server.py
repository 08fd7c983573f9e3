#!/usr/bin/python3
"""A loopback SMTP server for the mail tests.

Usage: smtp_server.py PORT SPOOL [--refuse-auth]

Every message received is stored as SPOOL/N.eml (the data as sent) with SPOOL/N.rcpt (the
envelope recipients, one a line); every connection adds a line to SPOOL/connections. With
--refuse-auth the server offers AUTH (without TLS) and refuses every credential, adding a line
to SPOOL/auth for each attempt. SPOOL/ready appears once
the server accepts connections. It runs until it is killed.
"""
import os
import signal
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult

port = int(sys.argv[1])
spool = sys.argv[2]
refuse_auth = "--refuse-auth" in sys.argv[3:]


class Spool:
    def __init__(self):
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(spool, str(self.count))
        with open(base + ".rcpt.part", "w") as f:
            f.write("\n".join(envelope.rcpt_tos) + "\n")
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".rcpt.part", base + ".rcpt")
        os.rename(base + ".eml.part", base + ".eml")
        return "250 OK"


class CountingSMTP(SMTP):
    def connection_made(self, transport):
        with open(os.path.join(spool, "connections"), "a") as f:
            f.write("connection\n")
        super().connection_made(transport)


def refuse(server, session, envelope, mechanism, auth_data):
    with open(os.path.join(spool, "auth"), "a") as f:
        f.write(mechanism + "\n")
    return AuthResult(success=False, handled=False)


class SpoolController(Controller):
    def factory(self):
        return CountingSMTP(self.handler, **self.SMTP_kwargs)


kwargs = {}
if refuse_auth:
    kwargs = {"authenticator": refuse, "auth_require_tls": False}
controller = SpoolController(Spool(), hostname="127.0.0.1", port=port, **kwargs)
controller.start()
with open(os.path.join(spool, "ready"), "w") as f:
    f.write("ready\n")
signal.signal(signal.SIGTERM, lambda *_: (controller.stop(), sys.exit(0)))
while True:
    time.sleep(3600)
