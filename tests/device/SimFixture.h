#pragma once
// A simulator serving a fresh temporary directory, and a device channel pointed at it, so that
// tests can run in parallel without touching fixed paths.

#include <gtest/gtest.h>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/VXDevice.h"
#include "sim/Simulator.h"
#include "support/PacketBytes.h"
#include "support/TempFiles.h"

// Collects the channel's diagnostic lines.
class DebugLines {
public:
    CVXDevice::DebugOutput Sink() {
        return [this](const char* line) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_lines.emplace_back(line);
        };
    }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(m_lock);
        return std::exchange(m_lines, {});
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_lines;
};

class SimFixture : public ::testing::Test {
protected:
    SimFixture() : m_units(UnitDirectory(m_dir)), m_sim(m_units), m_device(m_units) {
        m_device.SetDebugOutput(m_debug.Sink());
    }

    // Adds the unit with the given framing and opens it, the channel in the same framing.
    ::testing::AssertionResult AddAndOpen(int typeIndex, int number,
                                          vxsim::Framing framing = vxsim::Framing::Single) {
        if (!m_sim.AddUnit(typeIndex, number)) {
            return ::testing::AssertionFailure() << "cannot add the unit";
        }
        m_sim.SetFraming(typeIndex, number, framing);
        m_device.SetSingleFrameMode(framing == vxsim::Framing::Single);
        if (m_device.Open(static_cast<unsigned>(typeIndex), number) != 1) {
            return ::testing::AssertionFailure() << "cannot open the unit";
        }
        return ::testing::AssertionSuccess();
    }

    // Waits for the next packet on the channel; false when none comes within the time-out.
    bool Receive(CPacket* packet, int timeoutMs = 2000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (m_device.TakePacket(packet)) {
                return true;
            }
            m_device.WaitPacket(20);
        }
        return m_device.TakePacket(packet) == 1;
    }

    TempDir m_dir;
    std::string m_units;  // where the units are served
    vxsim::Simulator m_sim;
    DebugLines m_debug;
    CVXDevice m_device;
};
