#pragma once
// The packet script files the main window has loaded, in order of loading, and the current
// one: the file whose definitions typed keys choose. User-interface thread only.
//
// No two loaded files share a name (the file name without its folder), compared byte for
// byte, so names that differ only in case load side by side. The current file changes only
// through Select (the tree's selection) and when it is removed; loading leaves it alone.

#include <memory>
#include <string>
#include <vector>

class CPacketTable;

class CPacketFileList {
public:
    enum class LoadResult {
        Loaded,
        CannotLoad,     // "Невозможно загрузить файл с пакетами"
        AlreadyLoaded,  // "Такой файл уже загружен"
    };

    CPacketFileList();
    ~CPacketFileList();
    CPacketFileList(const CPacketFileList&) = delete;
    CPacketFileList& operator=(const CPacketFileList&) = delete;

    // Reads the file and appends it, named after the part of the path behind its last folder
    // separator. On Loaded, loaded (when given) receives the file; otherwise nothing is kept.
    LoadResult Load(const std::string& path, CPacketTable** loaded = nullptr);
    // The current file becomes this one if it is loaded, otherwise none.
    void Select(CPacketTable* file);
    // Unloads the file (its definitions go with it); nothing when it is not loaded. Removing
    // the current file leaves none current.
    void Remove(CPacketTable* file);
    void Clear();

    CPacketTable* GetCurrent() const { return m_current; }
    bool Contains(const CPacketTable* file) const;
    int GetCount() const { return static_cast<int>(m_files.size()); }
    CPacketTable* GetFile(int index) const;

    // The part of a path after its last folder separator ("/", and "\" on Windows).
    static std::string FileNameOf(const std::string& path);

private:
    std::vector<std::unique_ptr<CPacketTable>> m_files;
    CPacketTable* m_current = nullptr;
};
