#!/usr/bin/python3
"""A local SMTP server for the mailer's tests and benchmark: stores each message it accepts as a
file in a directory. Recipients whose local part starts with "tempfail" are answered 451, with
"reject" 550, with "slow" the first such message is held 30 seconds before it is answered. Prints
"PORT <n>" once it listens on a free loopback port."""

import argparse
import asyncio
import itertools
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Sink:
    def __init__(self, directory):
        self.directory = directory
        self.counter = itertools.count(1)
        self.held = False

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        local = address.split("@")[0]
        if local.startswith("tempfail"):
            return "451 4.3.0 Mailbox busy, try later"
        if local.startswith("reject"):
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if not self.held and any(r.startswith("slow") for r in envelope.rcpt_tos):
            self.held = True
            await asyncio.sleep(30)
        auth = session.auth_data if session.authenticated else "none"
        head = (
            f"X-Sink-Mail-From: {envelope.mail_from}\r\n"
            f"X-Sink-Rcpt-To: {', '.join(envelope.rcpt_tos)}\r\n"
            f"X-Sink-TLS: {'yes' if session.ssl else 'no'}\r\n"
            f"X-Sink-Auth: {auth}\r\n"
        ).encode()
        name = os.path.join(self.directory, f"{os.getpid()}-{next(self.counter):06d}")
        with open(name + ".part", "wb") as f:
            f.write(head + envelope.original_content)
        os.rename(name + ".part", name + ".eml")
        return "250 2.0.0 Stored"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--require-tls", action="store_true")
    parser.add_argument("--auth", help="USER:PASSWORD that must log in")
    args = parser.parse_args()

    tls = None
    if args.cert:
        tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        tls.load_cert_chain(args.cert, args.key)

    def authenticate(server, session, envelope, mechanism, data):
        ok = isinstance(data, LoginPassword) and args.auth == (
            data.login.decode() + ":" + data.password.decode())
        return AuthResult(success=ok, auth_data=data.login.decode() if ok else None)

    sink = Sink(args.dir)

    def factory():
        return SMTP(sink, tls_context=tls, require_starttls=args.require_tls,
                    authenticator=authenticate if args.auth else None,
                    auth_required=bool(args.auth), auth_require_tls=bool(tls),
                    data_size_limit=64 << 20, hostname="sink.test")

    async def serve():
        server = await asyncio.get_running_loop().create_server(factory, "127.0.0.1", 0)
        print(f"PORT {server.sockets[0].getsockname()[1]}", flush=True)
        await server.serve_forever()

    try:
        asyncio.run(serve())
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
