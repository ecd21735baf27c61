// tests/unit/smtp/smtp_peers_posix.h: the SMTP servers of the native tests as child processes:
// aiosmtpd storing into a Maildir, and the scripted peer of smtp_peer.py.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class CPeerProcess
{
  public:
    CPeerProcess() = default;
    ~CPeerProcess();
    CPeerProcess(const CPeerProcess&) = delete;
    CPeerProcess& operator=(const CPeerProcess&) = delete;

    // aiosmtpd on a free port, storing mail in p_sMaildir; true once it accepts connections.
    bool StartAiosmtpd(const std::string& p_sMaildir);
    // The scripted peer in p_sMode, recording into p_sRecordFile.
    bool StartScripted(const std::string& p_sMode, const std::string& p_sRecordFile);
    void Stop();

    uint16_t Port() const
    {
        return m_wPort;
    }
    std::string Server() const
    {
        return "127.0.0.1:" + std::to_string(m_wPort);
    }

  private:
    pid_t m_pid = -1;
    uint16_t m_wPort = 0;
};

std::string TestDirectory(const std::string& p_sName);
std::string ReadFileText(const std::string& p_sPath);
void WriteFileBytes(const std::string& p_sPath, const std::string& p_sBytes);
// The files in a Maildir's new/ folder.
std::vector<std::string> StoredMails(const std::string& p_sMaildir);
// Runs check_mail.py over a stored mail; returns its summary lines, the decoded parts in p_sOutDir.
std::vector<std::string> CheckMail(const std::string& p_sMailFile, const std::string& p_sOutDir);

// The scripted peer's record: each command line, and each message's data.
struct CPeerRecord
{
    std::vector<std::string> m_vCommands;
    std::vector<std::string> m_vMessages;
};
CPeerRecord ReadPeerRecord(const std::string& p_sRecordFile);
