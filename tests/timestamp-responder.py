#!/usr/bin/env python3
"""A local RFC 3161 time-stamp responder for the signing check, built on `openssl ts -reply`.

    timestamp-responder.py WORK_DIR PORT_FILE

Makes a throwaway time-stamping certificate in WORK_DIR (tsacert.pem), listens on 127.0.0.1 at a
free port, writes that port to PORT_FILE, and answers each POSTed TimeStampReq with a reply
signed by that certificate. It serves until it is killed.
"""
import http.server
import os
import subprocess
import sys
import tempfile

CONFIG = """
[ req ]
distinguished_name = dn
[ dn ]
[ tsa_ext ]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = {work}/tsaserial
signer_cert = {work}/tsacert.pem
signer_key = {work}/tsakey.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha1
accuracy = secs:1
ordering = no
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


class Responder(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.TemporaryDirectory() as scratch:
            request = os.path.join(scratch, "q.tsq")
            reply = os.path.join(scratch, "r.tsr")
            with open(request, "wb") as f:
                f.write(query)
            done = subprocess.run(["openssl", "ts", "-reply", "-config", self.server.config,
                                   "-queryfile", request, "-out", reply], capture_output=True)
            if done.returncode != 0:
                self.send_error(500, done.stderr.decode(errors="replace")[:200])
                return
            with open(reply, "rb") as f:
                body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    work, port_file = sys.argv[1], sys.argv[2]
    config = os.path.join(work, "tsa.cnf")
    with open(config, "w") as f:
        f.write(CONFIG.format(work=work))
    with open(os.path.join(work, "tsaserial"), "w") as f:
        f.write("01\n")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Quellor test time stamping", "-config", config,
                    "-extensions", "tsa_ext", "-keyout", os.path.join(work, "tsakey.pem"),
                    "-out", os.path.join(work, "tsacert.pem")], check=True, capture_output=True)
    server = http.server.HTTPServer(("127.0.0.1", 0), Responder)
    server.config = config
    with open(port_file + ".part", "w") as f:
        f.write(str(server.server_port))
    os.rename(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
