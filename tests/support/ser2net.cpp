#include "support/ser2net.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace tavrin::test {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kStartTimeLimit = 5s;
constexpr auto kStopTimeLimit = 3s;

std::string uniquePath(std::string_view what) {
    static int count = 0;
    return "/tmp/tavrin-ser2net-" + std::to_string(getpid()) + "-" + std::to_string(++count) +
           std::string(what);
}

std::string ser2netProgram() {
    for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"})
        if (access(path, X_OK) == 0) return path;
    return {};
}

// Whether something listens on 127.0.0.1:port, from the kernel's socket table. Connecting to
// find out would make ser2net open the device, and take what the simulator left on the line.
bool listening(std::uint16_t port) {
    std::ifstream table("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A") return true;  // TCP_LISTEN
    }
    return false;
}

}  // namespace

std::uint16_t freeLoopbackPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

Ser2net::Ser2net(Config config)
    : config_(std::move(config)),
      port_(freeLoopbackPort()),
      configPath_(uniquePath(".yaml")),
      outputPath_(uniquePath(".out")) {
    const std::string accepter = config_.accepter == Accepter::Rfc2217 ? "telnet(rfc2217),tcp" : "tcp";
    std::ofstream file(configPath_);
    file << "%YAML 1.1\n"
            "---\n"
            "connection: &recorder\n"
            "    accepter: " << accepter << ",127.0.0.1," << port_ << "\n"
            "    connector: serialdev," << config_.device << "," << config_.lineSettings << ",local\n";
    if (!file.flush()) {
        error_ = "cannot write " + configPath_;
        return;
    }
    start();
}

Ser2net::~Ser2net() {
    stop();
    std::remove(configPath_.c_str());
    std::remove(outputPath_.c_str());
}

std::string Ser2net::url() const {
    return (config_.accepter == Accepter::Rfc2217 ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") +
           std::to_string(port_);
}

bool Ser2net::start() {
    stop();
    error_.clear();
    const std::string program = ser2netProgram();
    if (program.empty()) {
        error_ = "ser2net is not installed (bash scripts/install-deps.sh)";
        return false;
    }
    // -n: in the foreground, -d: no daemon, -u: no UUCP lock files.
    std::vector<std::string> args = {program, "-n", "-d", "-u", "-c", configPath_};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = ::open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    pid_ = fork();
    if (pid_ == 0) {
        // A test that crashes takes its ser2net with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(in);
    ::close(out);
    if (pid_ < 0) {
        error_ = "cannot start " + program;
        return false;
    }
    // A configuration it cannot use does not make ser2net exit: it just never listens.
    const auto deadline = Clock::now() + kStartTimeLimit;
    while (!listening(port_)) {
        if (Clock::now() > deadline || waitpid(pid_, nullptr, WNOHANG) == pid_) {
            error_ = "ser2net does not listen on port " + std::to_string(port_) + ":\n" + output();
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

void Ser2net::stop(int signal) {
    if (pid_ <= 0) return;
    ::kill(pid_, signal);
    const auto deadline = Clock::now() + kStopTimeLimit;
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    pid_ = -1;
}

std::string Ser2net::output() const {
    std::ifstream file(outputPath_);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace tavrin::test
