# A loopback SMTP server for the demo run and the mail tests: AUTH over a plain connection, every message saved to a folder.
#
# Usage: smtp-server.py USER PASSWORD FOLDER
# Prints the listening port on one line, then serves until killed. Message N is saved twice:
# N.eml holds the raw bytes as received, N.json the envelope, the decoded headers, the MIME layout and
# the decoded plain-text and HTML bodies.
import asyncio
import email
import email.policy
import json
import logging
import os
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Saver:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        raw = envelope.original_content
        message = email.message_from_bytes(raw, policy=email.policy.default)
        html_part = message.get_body(preferencelist=("html",))
        plain_part = message.get_body(preferencelist=("plain",))
        parts = list(message.iter_parts()) if message.is_multipart() else []
        decoded = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "from": str(message["From"] or ""),
            "to": str(message["To"] or ""),
            "subject": str(message["Subject"] or ""),
            "date": str(message["Date"] or ""),
            "message_id": str(message["Message-ID"] or ""),
            "mime_version": str(message["MIME-Version"] or ""),
            "content_type": message.get_content_type(),
            "part_types": [part.get_content_type() for part in parts],
            "plain_charset": plain_part.get_content_charset() or "" if plain_part else "",
            "plain": plain_part.get_content() if plain_part else "",
            "html_content_type": html_part.get_content_type() if html_part else "",
            "html_charset": html_part.get_content_charset() or "" if html_part else "",
            "html_transfer_encoding": html_part.get("Content-Transfer-Encoding", "") if html_part else "",
            "html": html_part.get_content() if html_part else "",
        }
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".eml.part", "wb") as out:
            out.write(raw)
        os.replace(base + ".eml.part", base + ".eml")
        with open(base + ".json.part", "w", encoding="utf-8") as out:
            json.dump(decoded, out, ensure_ascii=False)
        os.replace(base + ".json.part", base + ".json")
        return "250 Message accepted for delivery"


def authenticator_for(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (
            isinstance(auth_data, LoginPassword)
            and auth_data.login == user.encode()
            and auth_data.password == password.encode()
        )
        # Not handled here, so the server answers a refusal with 535 itself.
        return AuthResult(success=ok, handled=False)

    return authenticate


async def main():
    # The plain-connection AUTH is deliberate here; its warnings would only clutter the test log.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    user, password, folder = sys.argv[1], sys.argv[2], sys.argv[3]
    handler = Saver(folder)
    authenticate = authenticator_for(user, password)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(
            handler,
            hostname="127.0.0.1",
            authenticator=authenticate,
            auth_required=True,
            auth_require_tls=False,
        ),
        "127.0.0.1",
        0,
    )
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


asyncio.run(main())
