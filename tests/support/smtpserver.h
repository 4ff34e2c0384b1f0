// A real SMTP server (tests/support/smtpserver.py, Debian's python3-aiosmtpd) on 127.0.0.1 for
// the tests that send e-mail. The server process lives as long as the object.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace arv::test {

namespace fs = std::filesystem;

inline int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

inline std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The server process lives as long as the object.
class SmtpServer {
public:
    explicit SmtpServer(const fs::path& folder, bool auth = false) : folder_(folder), port_(freePort())
    {
        fs::create_directories(folder_);
        const std::string script = std::string(ARV_SOURCE_DIR) + "/tests/support/smtpserver.py";
        const std::string port = std::to_string(port_);
        const std::string dir = folder_.string();
        std::vector<const char*> argv = {"/usr/bin/python3", script.c_str(), port.c_str(), dir.c_str()};
        if (auth) argv.push_back("auth");
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, const_cast<char* const*>(argv.data()), environ) != 0)
            pid_ = -1;
        for (int i = 0; i < 200 && pid_ > 0 && !fs::exists(folder_ / "ready"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~SmtpServer()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 60; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    SmtpServer(const SmtpServer&) = delete;
    SmtpServer& operator=(const SmtpServer&) = delete;

    bool ready() const { return pid_ > 0 && fs::exists(folder_ / "ready"); }
    int port() const { return port_; }
    // An item of the n-th message received (from 1).
    std::string item(int n, const std::string& name) const
    {
        return readFile(folder_ / ("msg" + std::to_string(n)) / name);
    }
    int received() const
    {
        int n = 0;
        while (fs::exists(folder_ / ("msg" + std::to_string(n + 1)) / "done")) ++n;
        return n;
    }

private:
    fs::path folder_;
    int port_;
    pid_t pid_ = -1;
};

} // namespace arv::test
