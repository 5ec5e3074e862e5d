// The INI engine: reads a whole file of sections and key=value lines into memory, answers
// reads from memory, collects writes and rewrites the file on demand. No limit on file size
// or line length; every line is kept exactly as read.
#pragma once

#include "SectionList.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tb {

class TBigIniFile {
public:
    // Asked for each pair of sections whose names differ only in case (user value, name,
    // earlier lines, later lines); answering false drops the earlier one instead of the later.
    using DuplicateSectionHook = std::function<bool(void *user, const std::string &name,
                                                    const std::vector<std::string> &earlier,
                                                    const std::vector<std::string> &later)>;

    static constexpr int TextBufferSize = 0x7000; // 28672 bytes

    // Loads the file at once; a missing file is an empty content. An empty name loads nothing.
    explicit TBigIniFile(const QString &fileName, DuplicateSectionHook hook = {}, void *hookUser = nullptr);
    // Flushes like UpdateFile. A failure here cannot be reported: callers that care call
    // UpdateFile themselves first.
    ~TBigIniFile();
    TBigIniFile(const TBigIniFile &) = delete;
    TBigIniFile &operator=(const TBigIniFile &) = delete;

    QString ReadString(const QString &section, const QString &key, const QString &defaultValue);
    int32_t ReadInteger(const QString &section, const QString &key, int32_t defaultValue);
    bool ReadBool(const QString &section, const QString &key, bool defaultValue);
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int32_t value);
    void WriteBool(const QString &section, const QString &key, bool value);
    // Writes the file when anything changed; an unchanged file is not touched.
    void UpdateFile();
    // Forgets every section, so that the next UpdateFile replaces the whole file by what is
    // written from now on (the old file stays until the new one is complete).
    void Clear();

    const QString &FileName() const { return fileName_; }
    bool Modified() const { return modified_; }
    int SectionCursor() const { return sectionCursor_; }
    const TSectionList &Sections() const { return sections_; }

    // Converts text as the engine does for ReadInteger; false when it is not a 32-bit integer.
    static bool parseInteger(std::string text, int32_t &value);

private:
    void LoadFromFile();
    int findSection(const std::string &name);
    // Index of the key's line in the section, or -1.
    static int findKeyLine(const TSectionList::Section &section, const std::string &key);
    const std::string *findValueLine(const std::string &section, const std::string &key);
    void parse(const std::string &text);
    void mergeDuplicateSections();
    std::string render() const;

    bool modified_ = false;
    DuplicateSectionHook duplicateHook_;
    void *duplicateHookUser_ = nullptr;
    QString fileName_;
    int sectionCursor_ = 0;
    TSectionList sections_;
};

class TBiggerIniFile : public TBigIniFile {
public:
    using TBigIniFile::TBigIniFile;
};

// The settings file: the executable's name with the extension ".ini", in the program folder.
class TAppIniFile : public TBiggerIniFile {
public:
    TAppIniFile();
    explicit TAppIniFile(const QString &programFolder);
    static QString SettingsFileName(const QString &programFolder);
};

} // namespace tb
