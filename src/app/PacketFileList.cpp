#include "app/PacketFileList.h"

#include <algorithm>

#include "packet/PacketTable.h"

CPacketFileList::CPacketFileList() = default;

CPacketFileList::~CPacketFileList() = default;

CPacketFileList::LoadResult CPacketFileList::Load(const std::string& path, CPacketTable** loaded) {
    auto file = std::make_unique<CPacketTable>();
    if (!file->Load(path.c_str(), FileNameOf(path).c_str())) {
        return LoadResult::CannotLoad;
    }
    for (const auto& other : m_files) {
        if (other->GetName() == file->GetName()) {
            return LoadResult::AlreadyLoaded;
        }
    }
    if (loaded != nullptr) {
        *loaded = file.get();
    }
    m_files.push_back(std::move(file));
    return LoadResult::Loaded;
}

void CPacketFileList::Select(CPacketTable* file) {
    m_current = Contains(file) ? file : nullptr;
}

void CPacketFileList::Remove(CPacketTable* file) {
    auto found = std::find_if(m_files.begin(), m_files.end(),
                              [file](const auto& entry) { return entry.get() == file; });
    if (file == nullptr || found == m_files.end()) {
        return;
    }
    if (m_current == file) {
        m_current = nullptr;
    }
    m_files.erase(found);
}

void CPacketFileList::Clear() {
    m_files.clear();
    m_current = nullptr;
}

bool CPacketFileList::Contains(const CPacketTable* file) const {
    return file != nullptr &&
           std::any_of(m_files.begin(), m_files.end(),
                       [file](const auto& entry) { return entry.get() == file; });
}

CPacketTable* CPacketFileList::GetFile(int index) const {
    if (index < 0 || index >= GetCount()) {
        return nullptr;
    }
    return m_files[static_cast<std::size_t>(index)].get();
}

std::string CPacketFileList::FileNameOf(const std::string& path) {
#ifdef _WIN32
    const std::size_t separator = path.find_last_of("\\/");
#else
    const std::size_t separator = path.find_last_of('/');
#endif
    return separator == std::string::npos ? path : path.substr(separator + 1);
}
