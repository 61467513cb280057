"""FTP servers the tests need beyond the stock one: "hostile" lists an entry
named ../escape.pl besides the real ones, "silent" accepts connections and
never greets. Prints the port it bound the way the stock server logs it."""
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
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer

    class HostileFS(AbstractedFS):
        def format_list(self, basedir, listing, ignore_err=True):
            yield from super().format_list(basedir, listing, ignore_err)
            yield b"-rw-r--r--   1 owner    group           5 Jan 01 12:00 ../escape.pl\r\n"

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.abstracted_fs = HostileFS
    server = FTPServer(("127.0.0.1", 0), handler)
    print(">>> starting FTP server on 127.0.0.1:%d <<<" % server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
