// Runs vxsim.exe as a user would on Windows: it serves its units as pipes, obeys commands on
// its control pipe and quits, with the device channel as the host.

#include <gtest/gtest.h>

#include <string>

#include "device/SimFixture.h"
#include "device/wirekit/WindowsApi.h"

namespace {

// A child process, ended when the object goes if it still runs.
class Process {
public:
    explicit Process(std::string commandLine) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info)) {
            ::CloseHandle(info.hThread);
            m_process = info.hProcess;
        }
    }
    ~Process() {
        if (m_process != nullptr) {
            if (::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(m_process, 1);
            }
            ::CloseHandle(m_process);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // The exit code, or -1 when the process has not ended within the time-out (or never began).
    int Wait(DWORD timeoutMs = 5000) {
        DWORD code = 0;
        if (m_process == nullptr || ::WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0 ||
            !::GetExitCodeProcess(m_process, &code)) {
            return -1;
        }
        return static_cast<int>(code);
    }

private:
    HANDLE m_process = nullptr;
};

// vxsim's command line (the pipe prefix needs no quotes: it has no spaces).
std::string Vxsim(const std::string& prefix, const std::string& arguments) {
    return std::string("\"") + VXSIM_PATH + "\" --dir " + prefix + " " + arguments;
}

TEST(VxsimProgram, ServesItsPipesObeysTheControlPipeAndQuits) {
    TempDir temp;
    std::string prefix = UnitDirectory(temp);
    Process vxsim(Vxsim(prefix, "--unit USB0 --no-stdin"));
    CVXDevice device(prefix);
    bool opened = false;
    for (int i = 0; i < 100 && !opened; ++i) {  // until vxsim has started
        opened = device.Open(0, 0) == 1;
        if (!opened) {
            ::Sleep(50);
        }
    }
    ASSERT_TRUE(opened);

    EXPECT_EQ(Process(Vxsim(prefix, "--ctl \"send USB0 0A0102\"")).Wait(), 0);
    CPacket packet;
    ASSERT_EQ(device.WaitPacket(2000), 1);
    ASSERT_EQ(device.TakePacket(&packet), 1);
    EXPECT_EQ(packet.GetCommand(), 0x0A);
    EXPECT_EQ(packet.GetLength(), 2);
    EXPECT_EQ(Process(Vxsim(prefix, "--ctl \"send USB7 0A\"")).Wait(), 1) << "no such unit";

    EXPECT_EQ(Process(Vxsim(prefix, "--ctl quit")).Wait(), 0);
    EXPECT_EQ(vxsim.Wait(), 0);
    ASSERT_EQ(device.WaitPacket(2000), 1);
    EXPECT_FALSE(device.IsOpen()) << "the unit went with vxsim";
    EXPECT_EQ(Process(Vxsim(prefix, "--ctl list")).Wait(), 1) << "nobody serves the prefix";
}

}  // namespace
