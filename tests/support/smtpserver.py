# A small SMTP server for the e-mail tests:
#   smtpserver.py PORT FOLDER [auth]
# Every message received goes to FOLDER/msgN/: raw.eml, one file per item of the envelope and
# the decoded headers and body (mail_from, rcpt, subject, body ...) and att_<name> for each attachment. With "auth" the server wants AUTH (user "agenzia",
# password "segreta") before accepting mail. FOLDER/ready appears once it listens. Recipients whose
# address begins with "rifiuta" are refused.
import email
import logging
import os
import signal
import sys
import threading
import warnings
from email import policy

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

warnings.filterwarnings("ignore")
logging.getLogger("mail.log").setLevel(logging.CRITICAL)
port = int(sys.argv[1])
out = sys.argv[2]
need_auth = len(sys.argv) > 3 and sys.argv[3] == "auth"
count = 0
lock = threading.Lock()


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = auth_data.login == b"agenzia" and auth_data.password == b"segreta"
    if ok:
        session.arv_user = auth_data.login.decode()
    return AuthResult(success=ok, handled=False)


class Handler:
    # A recipient whose address begins with "rifiuta" is refused, for the tests of a failed sending.
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("rifiuta"):
            return "550 Destinatario rifiutato"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        global count
        with lock:
            count += 1
            n = count
        folder = os.path.join(out, "msg%d" % n)
        os.makedirs(folder)
        raw = envelope.original_content or envelope.content
        with open(os.path.join(folder, "raw.eml"), "wb") as f:
            f.write(raw)
        msg = email.message_from_bytes(raw, policy=policy.default)
        body = msg.get_body(preferencelist=("html", "plain"))
        names = []
        for part in msg.iter_attachments():
            name = part.get_filename()
            names.append(name)
            with open(os.path.join(folder, "att_" + name), "wb") as f:
                f.write(part.get_payload(decode=True))
        info = {
            "mail_from": envelope.mail_from,
            "rcpt": envelope.rcpt_tos,
            "auth_user": getattr(session, "arv_user", ""),
            "from": str(msg["From"]),
            "to": str(msg["To"]),
            "cc": str(msg["Cc"] or ""),
            "subject": str(msg["Subject"]),
            "receipt": str(msg["Disposition-Notification-To"] or ""),
            "body_type": body.get_content_type() if body else "",
            "body": body.get_content() if body else "",
            "attachments": names,
        }
        for key, value in info.items():
            if isinstance(value, list):
                value = "\n".join(value)
            with open(os.path.join(folder, key), "w", encoding="utf-8", newline="") as f:
                f.write(value)
        open(os.path.join(folder, "done"), "w").close()
        return "250 OK"


controller = Controller(Handler(), hostname="127.0.0.1", port=port, authenticator=authenticator,
                        auth_require_tls=False, auth_required=need_auth)
controller.start()
open(os.path.join(out, "ready"), "w").close()
stop = threading.Event()
signal.signal(signal.SIGTERM, lambda *a: stop.set())
signal.signal(signal.SIGINT, lambda *a: stop.set())
while not stop.wait(0.2):
    pass
controller.stop()
