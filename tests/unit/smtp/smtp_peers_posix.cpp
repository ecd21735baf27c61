// tests/unit/smtp/smtp_peers_posix.cpp: starting and stopping the SMTP peers of the native tests.
#include "tests/unit/smtp/smtp_peers_posix.h"

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace
{
const char* const kPython = "/usr/bin/python3";

uint16_t FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t size = sizeof(address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

bool Accepts(uint16_t p_wPort)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(p_wPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return ok;
}

pid_t Spawn(const std::vector<std::string>& p_vArgs, int p_iStdout)
{
    std::vector<char*> argv;
    for (const std::string& arg : p_vArgs)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (p_iStdout >= 0)
        posix_spawn_file_actions_adddup2(&actions, p_iStdout, STDOUT_FILENO);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}
} // namespace

CPeerProcess::~CPeerProcess()
{
    Stop();
}

void CPeerProcess::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
}

bool CPeerProcess::StartAiosmtpd(const std::string& p_sMaildir)
{
    m_wPort = FreePort();
    m_pid = Spawn({kPython, "-m", "aiosmtpd", "-n", "-l", "127.0.0.1:" + std::to_string(m_wPort), "-c",
                   "aiosmtpd.handlers.Mailbox", p_sMaildir},
                  -1);
    if (m_pid <= 0)
        return false;
    for (int i = 0; i < 200; ++i)
    {
        if (Accepts(m_wPort))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool CPeerProcess::StartScripted(const std::string& p_sMode, const std::string& p_sRecordFile)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return false;
    m_pid = Spawn({kPython, BREVOLT_SMTP_TEST_DIR "/smtp_peer.py", p_sMode, p_sRecordFile}, pipeEnds[1]);
    close(pipeEnds[1]);
    std::string line;
    char c = 0;
    while (m_pid > 0 && read(pipeEnds[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(pipeEnds[0]);
    if (line.empty())
        return false;
    m_wPort = static_cast<uint16_t>(std::stoi(line));
    return true;
}

std::string TestDirectory(const std::string& p_sName)
{
    const auto dir = std::filesystem::temp_directory_path() / ("brevolt-smtp-" + std::to_string(getpid())) / p_sName;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string ReadFileText(const std::string& p_sPath)
{
    std::ifstream in(p_sPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFileBytes(const std::string& p_sPath, const std::string& p_sBytes)
{
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    out << p_sBytes;
}

std::vector<std::string> StoredMails(const std::string& p_sMaildir)
{
    std::vector<std::string> files;
    const auto dir = std::filesystem::path(p_sMaildir) / "new";
    if (!std::filesystem::exists(dir))
        return files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files.push_back(entry.path().string());
    return files;
}

std::vector<std::string> CheckMail(const std::string& p_sMailFile, const std::string& p_sOutDir)
{
    const pid_t pid = Spawn({kPython, BREVOLT_SMTP_TEST_DIR "/check_mail.py", p_sMailFile, p_sOutDir}, -1);
    int status = 0;
    if (pid > 0)
        waitpid(pid, &status, 0);
    std::vector<std::string> lines;
    std::istringstream in(ReadFileText(p_sOutDir + "/summary.txt"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

CPeerRecord ReadPeerRecord(const std::string& p_sRecordFile)
{
    CPeerRecord record;
    std::istringstream in(ReadFileText(p_sRecordFile));
    for (std::string line; std::getline(in, line);)
    {
        const auto entry = nlohmann::json::parse(line, nullptr, false);
        if (entry.is_discarded())
            continue;
        if (entry.contains("cmd"))
            record.m_vCommands.push_back(entry["cmd"].get<std::string>());
        if (entry.contains("message"))
            record.m_vMessages.push_back(entry["message"].get<std::string>());
    }
    return record;
}
