#pragma once
// The program's settings: a small sectioned text file ("Tavrin.ini") read whole into an ordered
// model, queried and changed there, and written back whole by Save.
//
// Reading rules, kept byte for byte so that a file survives a read and write cycle:
//  - only CR LF ends a line; a lone LF is part of the line; bytes after the last CR LF are lost;
//  - each line is trimmed of the bytes 0x09..0x0D and 0x20 at both ends;
//  - ";" first: a comment, kept with the text after the semicolon as it stands;
//  - "[name]": a section header; a second header of a known name drops everything up to the next
//    header; a line starting with "[" that does not end with "]" is dropped;
//  - anything else is "key = value" (split at the first "="), or a key with an empty value;
//  - lines before the first header are dropped; a repeated key replaces the value in place.
// Names are compared exactly, case included; no character-set conversion is made.
//
// Sections and keys are found through hash indexes beside the ordered lists, so a file of a
// hundred thousand sections loads in linear time; the lists keep the file's order for Save.
// Save writes a new file beside the old one and puts it in its place only once it is whole, so
// a failed save (a full disk) leaves the previous file as it was. A file whose bytes were not
// all read (written with LF line ends, or with text after the last CR LF) is first kept as
// "<name>.bak", so that the first save cannot take from the user what was never read.
// A file changed on disk since it was read or saved (the user edited it while the program ran)
// is read again at Save, and only the keys set through SetValue since are changed in it: the
// user's other keys, sections, comments, blank lines and spacing stay byte for byte, at that
// save and at every later one until the next Load.

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct ConfigEntry {
    std::string key;  // ";" for a comment line, whose text is then the value
    std::string value;
};

struct ConfigSection {
    std::string name;
    std::vector<ConfigEntry> entries;
};

class CConfig {
public:
    static constexpr const char* kCommentKey = ";";

    // The settings live in the process's current directory at this moment.
    CConfig();
    virtual ~CConfig();

    CConfig(const CConfig&) = delete;
    CConfig& operator=(const CConfig&) = delete;

    // Remembers the name, discards the model and reads the file. 0 (model empty) when the file
    // cannot be opened. An absolute name is used as it stands.
    int Load(const char* fileName);
    // Writes the whole model over the file. 0 when it could not be written whole; the file is
    // then left as it was. The first save over a file that was not read whole copies it to
    // "<name>.bak" first (one line on standard error says so); 0 when that copy fails.
    // When the file's bytes differ from those last read or written, the keys set since are
    // written into the file as it now is instead, and the model is read again from the result.
    int Save();
    // Writes only the keys set since the last Load or Save into the file as it is on disk, as
    // Save does with a file edited by hand: every other byte stays as it stands, whatever the
    // file's spacing, blank lines or unread lines. The model (as Save writes it) when there is
    // no file. 0, with the file as it was, when it cannot be read or written whole.
    int SaveSetKeys();
    // True when the last Load left bytes of the file unread (no CR LF after them).
    bool WasPartlyRead() const { return m_partlyRead; }

    // 1 and out set when found; 0 and out unchanged when not found or the key is empty.
    int GetValue(const char* section, const char* key, std::string& out) const;
    // The value as a decimal number (sign and digits, stops at the first other character, no
    // digits gives 0), or the default when the entry is absent.
    int GetInt(const char* section, const char* key, int defaultValue) const;
    // The value, or the default when absent (empty text when there is no default).
    std::string GetString(const char* section, const char* key,
                          const char* defaultValue = nullptr) const;
    // Replaces an existing value or appends the entry (and the section, at the end). Comment
    // entries are always appended. 0 when the section or key is empty. The key (not a comment)
    // counts as one the program sets, for the next Save.
    int SetValue(const char* section, const char* key, const char* value);
    // 0 when a section of that name exists (or the name is empty).
    int AddSection(const char* name);
    void Clear();

    const std::vector<ConfigSection>& GetSections() const { return m_sections; }
    const std::string& GetDirectory() const { return m_directory; }
    const std::string& GetFileName() const { return m_fileName; }
    std::string GetPath() const;

private:
    ConfigSection* FindSection(const std::string& name);
    const ConfigSection* FindSection(const std::string& name) const;
    ConfigSection& AppendSection(const std::string& name);
    int SetEntry(const std::string& section, const std::string& key, const char* value);
    // Clears the model and reads the text into it, as Load does with the file's bytes.
    void Parse(const std::string& content);
    void ReadLine(const std::string& line, std::string& current);
    std::string MakeText() const;
    // The file Save writes (the one a link points to); false when it may not be written.
    bool FindWritablePath(std::string* path) const;
    // The whole model over the file.
    int SaveModel(const std::string& path);
    // The text written beside the file and put in its place once it is whole.
    static bool ReplaceFile(const std::string& path, const std::string& text);
    bool KeepUnreadFile(const std::string& path);
    // The keys set since the last Load or Save, written into the file as it now is.
    int SaveIntoEditedFile(const std::string& path, const std::string& onDisk);
    void Saved(const std::string& text);

    using Index = std::unordered_map<std::string, std::size_t>;

    std::vector<ConfigSection> m_sections;
    Index m_sectionIndex;             // name -> position in m_sections
    std::vector<Index> m_entryIndex;  // per section: key -> position (comments are not in it)
    std::string m_directory;
    std::string m_fileName;
    bool m_partlyRead = false;  // the file on disk holds bytes the model does not
    // The file's bytes when it was last read or written; m_diskKnown is false when it could not
    // be read at Load.
    std::string m_diskText;
    bool m_diskKnown = false;
    bool m_editedByHand = false;  // saves go into the file's own text, not the model's
    std::vector<std::pair<std::string, std::string>> m_setKeys;  // section, key; in order
};
