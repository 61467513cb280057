"""FTP servers the tests need beyond the stock one: "hostile" lists an entry
named ../escape.pl besides the real ones (and never ends the listing of a
folder that holds a file named "endless"), "silent" accepts connections and
never greets, "tls CERT KEY" asks for TLS on the control and data connections.
Prints the port it bound the way the stock server logs it."""
import socket
import sys


def main():
    mode, root, user, password = sys.argv[1:5]
    if mode == "silent":
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(8)
        print(">>> starting FTP server on 127.0.0.1:%d <<<" % listener.getsockname()[1], flush=True)
        held = []
        while True:
            held.append(listener.accept()[0])

    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.filesystems import AbstractedFS
    from pyftpdlib.handlers import FTPHandler, TLS_DTPHandler, TLS_FTPHandler
    from pyftpdlib.servers import FTPServer

    class HostileFS(AbstractedFS):
        def format_list(self, basedir, listing, ignore_err=True):
            yield from super().format_list(basedir, listing, ignore_err)
            yield b"-rw-r--r--   1 owner    group           5 Jan 01 12:00 ../escape.pl\r\n"
            # A folder holding "endless" lists without end, for the tests that stop a listing.
            n = 0
            while "endless" in listing:
                n += 1
                yield b"-rw-r--r--   1 owner    group           5 Jan 01 12:00 more%d.pl\r\n" % n

    class EarlyHandshakeDTP(TLS_DTPHandler):
        # The stock handler drops a data connection that speaks before the
        # transfer command arrives, which a client's TLS handshake does.
        def readable(self):
            if self._ssl_accepting or self._ssl_want_read:
                return True
            if not self.receive and not self._initialized:
                return False
            return super().readable()

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    if mode == "tls":
        handler = TLS_FTPHandler
        handler.certfile, handler.keyfile = sys.argv[5:7]
        handler.tls_control_required = True
        handler.tls_data_required = True
        handler.dtp_handler = EarlyHandshakeDTP
        handler.auth_failed_timeout = 0
    else:
        handler = FTPHandler
        handler.abstracted_fs = HostileFS
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), handler)
    print(">>> starting FTP server on 127.0.0.1:%d <<<" % server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
