#include "cli/CaptureFile.h"

#include <pcap/pcap.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "packet/Packet.h"

namespace cli {

namespace {

// Payloads of split framing reach 255 frames of 60 bytes; the record adds its two bytes.
constexpr int kSnapLength = 65535;

}  // namespace

CCaptureFile::~CCaptureFile() {
    Close();
}

bool CCaptureFile::Open(const std::string& path, std::string* error) {
    Close();
    std::lock_guard<std::mutex> hold(m_lock);
    m_pcap =
        pcap_open_dead_with_tstamp_precision(kLinkType, kSnapLength, PCAP_TSTAMP_PRECISION_MICRO);
    if (m_pcap == nullptr) {
        *error = "Невозможно создать файл захвата " + path;
        return false;
    }
    m_dumper = pcap_dump_open(m_pcap, path.c_str());
    if (m_dumper == nullptr) {
        *error = "Невозможно создать файл захвата " + path + ": " + pcap_geterr(m_pcap);
        pcap_close(m_pcap);
        m_pcap = nullptr;
        return false;
    }
    return true;
}

void CCaptureFile::Write(bool sent, const CPacket& packet) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    const int length =
        packet.GetLength() > 0 && packet.GetData() != nullptr ? packet.GetLength() : 0;
    std::vector<unsigned char> record;
    record.reserve(static_cast<std::size_t>(length) + 2);
    record.push_back(sent ? kSent : kReceived);
    record.push_back(static_cast<unsigned char>(packet.GetCommand()));
    record.insert(record.end(), packet.GetData(), packet.GetData() + length);

    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<decltype(header.ts.tv_sec)>(micros / 1000000);
    header.ts.tv_usec = static_cast<decltype(header.ts.tv_usec)>(micros % 1000000);
    header.len = static_cast<bpf_u_int32>(record.size());
    header.caplen = std::min<bpf_u_int32>(header.len, kSnapLength);
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_dumper != nullptr) {
        pcap_dump(reinterpret_cast<u_char*>(m_dumper), &header, record.data());
    }
}

void CCaptureFile::Flush() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_dumper != nullptr) {
        pcap_dump_flush(m_dumper);
    }
}

void CCaptureFile::Close() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_dumper != nullptr) {
        pcap_dump_close(m_dumper);
        m_dumper = nullptr;
    }
    if (m_pcap != nullptr) {
        pcap_close(m_pcap);
        m_pcap = nullptr;
    }
}

}  // namespace cli
