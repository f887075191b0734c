// tqv-serve as a bench's client meets it, over loopback TCP from a plain POSIX client:
// the *IDN? round trip (median and 99th percentile), and one second of scans at a hundred
// times the card's rate (8 MB) fetched as a binary block against a plain loopback TCP
// transfer of the same bytes, in the same run. The server is the real program, started
// here on a free port with the simulated card.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The program, started with --listen 127.0.0.1:0; the port read from its stderr.
class Server {
public:
    explicit Server(const char* speed) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
        env.push_back(std::string("ADCARD_SIM_SPEED=") + speed);
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = TQV_SERVE_PROGRAM;
        std::string listen = "--listen";
        std::string address = "127.0.0.1:0";
        char* argv[] = {program.data(), listen.data(), address.data(), nullptr};
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) {
            throw std::runtime_error("cannot start " + program);
        }
        ::close(pipeFds[1]);
        std::string said;
        const std::regex listening("listening on 127\\.0\\.0\\.1:(\\d+)");
        std::smatch found;
        char buffer[256];
        while (!std::regex_search(said, found, listening)) {
            const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
            if (n <= 0) throw std::runtime_error("tqv-serve said: " + said);
            said.append(buffer, static_cast<std::size_t>(n));
        }
        m_port = static_cast<uint16_t>(std::stoi(found[1]));
        m_stderr = pipeFds[0];
    }
    ~Server() {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        ::close(m_stderr);
    }
    uint16_t port() const { return m_port; }

private:
    pid_t m_pid = 0;
    uint16_t m_port = 0;
    int m_stderr = -1;
};

int connectTo(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("connect");
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

void sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) throw std::runtime_error("send");
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Reads one answer line; a definite-length block is read whole by its header.
std::size_t readAnswer(int fd, std::vector<char>& buffer) {
    std::size_t have = 0;
    std::size_t wanted = 0;
    // Read as the plain transfer reads: into room for the whole block, a megabyte at most
    // a call.
    if (buffer.size() < (1u << 20)) buffer.resize(1u << 20);
    while (true) {
        const std::size_t room = std::min<std::size_t>(buffer.size() - have, 1u << 20);
        const ssize_t n = ::recv(fd, buffer.data() + have, room, 0);
        if (n <= 0) throw std::runtime_error("recv");
        have += static_cast<std::size_t>(n);
        if (wanted == 0 && buffer[0] == '#' && have >= 2) {
            const std::size_t digits = static_cast<std::size_t>(buffer[1] - '0');
            if (have < 2 + digits) continue;
            wanted = 2 + digits + std::stoul(std::string(buffer.data() + 2, digits)) + 1;
            if (buffer.size() < wanted) buffer.resize(wanted);
        }
        if (wanted != 0 ? have >= wanted : buffer[have - 1] == '\n') return have;
        if (have == buffer.size()) buffer.resize(buffer.size() * 2);
    }
}

void IdnRoundTrip(benchmark::State& state) {
    const Server server("1");
    const int fd = connectTo(server.port());
    std::vector<char> buffer;
    std::vector<double> micros;
    micros.reserve(1 << 20);
    for (auto _ : state) {
        const auto start = Clock::now();
        sendAll(fd, "*IDN?\n");
        readAnswer(fd, buffer);
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        micros.push_back(us);
        state.SetIterationTime(us / 1e6);
    }
    ::close(fd);
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}
BENCHMARK(IdnRoundTrip)->UseManualTime()->Iterations(20000);

// The same bytes through a plain loopback TCP connection: a thread writes, we read.
double plainTransferSeconds(std::size_t bytes) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const std::vector<char> payload(bytes, 'x');
    std::thread writer([&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        char request;
        ::recv(fd, &request, 1, 0);
        sendAll(fd, std::string_view(payload.data(), payload.size()));
        ::close(fd);
    });
    const int fd = connectTo(ntohs(address.sin_port));
    std::vector<char> buffer(1 << 20);
    const auto start = Clock::now();
    sendAll(fd, "?");
    std::size_t have = 0;
    while (have < bytes) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        have += static_cast<std::size_t>(n);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    writer.join();
    ::close(fd);
    ::close(listener);
    return seconds;
}

void FetchOneSecondAtFullRate(benchmark::State& state) {
    const Server server("100");
    const int fd = connectTo(server.port());
    std::vector<char> buffer;
    sendAll(fd, "INIT;*OPC?\n");
    readAnswer(fd, buffer);
    double fetchSeconds = 0;
    double plainSeconds = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        sendAll(fd, "FETC:SCAN?\n");
        readAnswer(fd, buffer);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        state.ResumeTiming();
        const auto start = Clock::now();
        sendAll(fd, "FETC:SCAN?\n");
        bytes = readAnswer(fd, buffer);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        fetchSeconds += seconds;
        plainSeconds += plainTransferSeconds(bytes);
    }
    ::close(fd);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["fetch_MB_per_s"] =
        static_cast<double>(bytes) * static_cast<double>(state.iterations()) / fetchSeconds / 1e6;
    state.counters["plain_MB_per_s"] =
        static_cast<double>(bytes) * static_cast<double>(state.iterations()) / plainSeconds / 1e6;
    state.counters["share_of_plain"] = plainSeconds / fetchSeconds;
}
BENCHMARK(FetchOneSecondAtFullRate)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
