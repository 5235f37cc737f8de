#include "sim/LineBuffer.h"

namespace vxsim {

void LineBuffer::Append(const char* bytes, std::size_t count) {
    if (m_overlong) {
        return;
    }
    // Lines taken are let go of once they make up half the buffer: each byte moves at most
    // a few times.
    if (m_start > 0 && m_start >= m_bytes.size() / 2) {
        m_bytes.erase(0, m_start);
        m_start = 0;
    }
    m_bytes.append(bytes, count);
}

bool LineBuffer::Next(std::string* line) {
    if (m_overlong) {
        return false;
    }
    std::size_t end = m_bytes.find('\n', m_start + m_scanned);
    std::size_t length = (end == std::string::npos ? m_bytes.size() : end) - m_start;
    if (length > m_maxLine) {
        m_overlong = true;
        m_bytes.clear();
        m_start = m_scanned = 0;
        return false;
    }
    if (end == std::string::npos) {
        m_scanned = length;
        return false;
    }
    line->assign(m_bytes, m_start, length);
    if (!line->empty() && line->back() == '\r') {
        line->pop_back();
    }
    m_start = end + 1;
    m_scanned = 0;
    return true;
}

}  // namespace vxsim
