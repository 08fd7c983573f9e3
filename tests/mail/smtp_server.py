#!/usr/bin/python3
"""A loopback SMTP server for the mail tests.

Usage: smtp_server.py PORT SPOOL [--refuse-auth] [--read-slowly]

Every message received is stored as SPOOL/N.eml (the data as sent) with SPOOL/N.rcpt (the
envelope recipients, one a line); every connection adds a line to SPOOL/connections. With
--refuse-auth the server offers AUTH (without TLS) and refuses every credential, adding a line
to SPOOL/auth for each attempt. With --read-slowly it takes in at most 400 kB a second through
a small receive buffer, as a slow link would. SPOOL/ready appears once the server accepts
connections. It runs until it is killed.

A client scripts a refusal through its names:
  EHLO refuse-CODE            EHLO and HELO are answered with CODE
  MAIL FROM:<STEP-WHAT@...>   at STEP (mail, rcpt, data: the DATA command, end: the end of the
                              data) the server answers WHAT, a reply code, or "hangup" (drops
                              the connection) or "silent" (never answers)
"""
import asyncio
import os
import socket
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult

port = int(sys.argv[1])
spool = sys.argv[2]
refuse_auth = "--refuse-auth" in sys.argv[3:]
read_slowly = "--read-slowly" in sys.argv[3:]
SLOW_RATE = 400_000  # bytes a second

TEXTS = {
    "421": "4.3.0 Service closing transmission channel",
    "450": "4.2.0 Mailbox busy",
    "451": "4.3.0 Local error in processing",
    "452": "4.5.3 Insufficient system storage or too many recipients",
    "530": "5.7.0 Authentication required",
    "550": "5.7.1 Refused",
    "552": "5.3.4 Message size exceeds fixed limit",
    "554": "5.7.1 Transaction failed",
}


def script(envelope, step):
    """What the sender's name asks of STEP: a reply code, "hangup", "silent" or None."""
    sender = (envelope.mail_from or "").split("@")[0]
    wanted, _, what = sender.partition("-")
    return what if wanted == step and what else None


async def act(server, what):
    """Carries out a scripted answer: returns the reply to send, or waits for the end."""
    if what == "hangup":
        server.transport.abort()  # the loss of the connection cancels this session
    if what in ("hangup", "silent"):
        await asyncio.sleep(3600)
    if what == "421":
        server.loop.call_soon(server.transport.close)
    return f"{what} {TEXTS.get(what, 'Refused')}"


class Spool:
    def __init__(self):
        self.count = 0

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        if hostname.startswith("refuse-"):
            return [hostname[len("refuse-"):] + " Not you"]
        session.host_name = hostname
        return responses

    async def handle_HELO(self, server, session, envelope, hostname):
        if hostname.startswith("refuse-"):
            return hostname[len("refuse-"):] + " Not you"
        session.host_name = hostname
        return "250 " + server.hostname

    async def handle_MAIL(self, server, session, envelope, address, options):
        envelope.mail_from = address
        envelope.mail_options.extend(options)
        what = script(envelope, "mail")
        if what is None:
            return "250 OK"
        envelope.mail_from = None
        return await act(server, what)

    async def handle_RCPT(self, server, session, envelope, address, options):
        what = script(envelope, "rcpt")
        if what is not None:
            return await act(server, what)
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        what = script(envelope, "end")
        if what is not None:
            return await act(server, what)
        self.count += 1
        base = os.path.join(spool, str(self.count))
        with open(base + ".rcpt.part", "w") as f:
            f.write("\n".join(envelope.rcpt_tos) + "\n")
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".rcpt.part", base + ".rcpt")
        os.rename(base + ".eml.part", base + ".eml")
        return "250 OK"


class ScriptedSMTP(SMTP):
    def connection_made(self, transport):
        if self.transport is None:  # a new connection, not the start of TLS on one
            with open(os.path.join(spool, "connections"), "a") as f:
                f.write("connection\n")
            if read_slowly:
                transport.get_extra_info("socket").setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16384)
        super().connection_made(transport)

    def data_received(self, data):
        if not read_slowly:
            return super().data_received(data)
        # Nothing more is read until this piece has been taken in at the slow rate.
        self.transport.pause_reading()
        self.loop.call_later(len(data) / SLOW_RATE, self._take_in, data)

    def _take_in(self, data):
        super().data_received(data)
        if self.transport is not None and not self.transport.is_closing():
            self.transport.resume_reading()

    async def smtp_DATA(self, arg):
        what = script(self.envelope, "data") if self.envelope.rcpt_tos else None
        if what is None:
            return await super().smtp_DATA(arg)
        await self.push(await act(self, what))


def refuse(server, session, envelope, mechanism, auth_data):
    with open(os.path.join(spool, "auth"), "a") as f:
        f.write(mechanism + "\n")
    return AuthResult(success=False, handled=False)


class ScriptedController(Controller):
    def factory(self):
        return ScriptedSMTP(self.handler, **self.SMTP_kwargs)


kwargs = {}
if refuse_auth:
    kwargs = {"authenticator": refuse, "auth_require_tls": False}
controller = ScriptedController(Spool(), hostname="127.0.0.1", port=port, **kwargs)
controller.start()
with open(os.path.join(spool, "ready"), "w") as f:
    f.write("ready\n")
while True:
    time.sleep(3600)
