# A static file server for the filter update tests: serves ROOT on 127.0.0.1:PORT, waits
# DELAY seconds before each answer (so a test can press Abort during the download), and
# speaks TLS when given a certificate and its key.
#   serve_update.py PORT ROOT DELAY [CERT KEY]
import functools
import http.server
import ssl
import sys
import time

port, root, delay = int(sys.argv[1]), sys.argv[2], float(sys.argv[3])


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        time.sleep(delay)
        super().do_GET()


server = http.server.HTTPServer(("127.0.0.1", port), functools.partial(Handler, directory=root))
if len(sys.argv) > 5:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[4], sys.argv[5])
    server.socket = context.wrap_socket(server.socket, server_side=True)
server.serve_forever()
