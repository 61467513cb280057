// korbu: the console-window launcher.
//
//   korbu Halden+Ostrak+ PROGRAM ARGS...
//
// runs PROGRAM with ARGS (never through a shell), prints how it ended and
// waits for Enter, so that the terminal window stays open until the user
// has read the output.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char Marker[] = "Halden+Ostrak+";

void waitForEnter()
{
    std::fputs("Press Enter to close", stdout);
    std::fflush(stdout);
    int c;
    while ((c = std::getchar()) != EOF && c != '\n') {
    }
}

int fail(const std::string &message, int status)
{
    std::fprintf(stderr, "korbu: %s\n", message.c_str());
    std::fflush(stderr);
    waitForEnter();
    return status;
}

// Runs the program; its exit code, 128 + signal after a signal (`signal`
// then set), or -1 with `error` set when it could not be started.
int runProgram(char **argv, int &error, int &signal)
{
    error = 0;
    signal = 0;
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = errno;
        return -1;
    }
    // While the program runs, Ctrl+C and Ctrl+\ are meant for it, not for
    // the launcher, whose message must still show.
    struct sigaction ignore{};
    struct sigaction oldInt{};
    struct sigaction oldQuit{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGINT, &ignore, &oldInt);
    ::sigaction(SIGQUIT, &ignore, &oldQuit);

    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::sigaction(SIGINT, &oldInt, nullptr);
        ::sigaction(SIGQUIT, &oldQuit, nullptr);
        ::close(report[0]);
        ::execvp(argv[0], argv);
        const int e = errno;
        [[maybe_unused]] ssize_t n = ::write(report[1], &e, sizeof e);
        ::_exit(127);
    }
    ::close(report[1]);
    int result = -1;
    if (pid < 0) {
        error = errno;
    } else {
        int e = 0;
        ssize_t n;
        while ((n = ::read(report[0], &e, sizeof e)) < 0 && errno == EINTR) {
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (n == static_cast<ssize_t>(sizeof e))
            error = e;
        else if (WIFEXITED(status))
            result = WEXITSTATUS(status);
        else if (WIFSIGNALED(status)) {
            signal = WTERMSIG(status);
            result = 128 + signal;
        }
    }
    ::close(report[0]);
    ::sigaction(SIGINT, &oldInt, nullptr);
    ::sigaction(SIGQUIT, &oldQuit, nullptr);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || std::strcmp(argv[1], Marker) != 0)
        return fail(std::string("usage: korbu ") + Marker + " PROGRAM [ARGUMENTS...]", 2);
    if (argc < 3 || argv[2][0] == '\0')
        return fail("no program to run", 2);

    int error = 0;
    int signal = 0;
    const int code = runProgram(argv + 2, error, signal);
    if (code < 0)
        return fail(std::string("could not run ") + argv[2] + ": " + std::strerror(error), 127);

    std::fflush(stdout);
    if (signal)
        std::printf("\nProcess ended by signal %d (%s), exit code %d.\n", signal, strsignal(signal), code);
    else
        std::printf("\nProcess completed with exit code %d.\n", code);
    waitForEnter();
    return code;
}
