// An INI settings file as the host reads and writes it: sections and keys without regard to case, values
// as text, every other line and comment kept when a key is written.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    // Reads a file; a missing file is an empty store. False when the file exists but cannot be read.
    bool Load(const std::filesystem::path& path);
    // Writes the store back, creating the file's folder when missing. The encoding (UTF-8, UTF-8 with a
    // byte order mark, or UTF-16LE) and the line ends of the loaded file are kept.
    bool Save(const std::filesystem::path& path) const;

    // The value of a key, spaces around it removed and one pair of enclosing double quotes taken off;
    // "" when the section or key is missing. The first of several equal keys wins.
    std::wstring Get(std::wstring_view section, std::wstring_view key) const;
    bool Has(std::wstring_view section, std::wstring_view key) const;
    // Replaces the key's line, or adds it after the section's last key, or adds the section at the end.
    void Set(std::wstring_view section, std::wstring_view key, std::wstring_view value);
    std::vector<std::wstring> Sections() const;
    std::vector<std::wstring> Keys(std::wstring_view section) const;
    // The text Save writes (with "\n" line ends), for tests and dumps.
    std::wstring Text() const;

    // A script path ("C:\\dir\\file.ini" or "dir/file.ini") as a file system path: both separators work.
    static std::filesystem::path ToPath(std::wstring_view scriptPath);
    // One read or write on a file named by a script path.
    static std::wstring Read(std::wstring_view file, std::wstring_view section, std::wstring_view key);
    static bool Write(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                      std::wstring_view value);

private:
    enum class LineKind { Other, Section, Entry };
    enum class Encoding { Utf8, Utf8Bom, Utf16Le };
    struct Line {
        std::wstring text;
        LineKind kind = LineKind::Other;
        std::wstring name; // section or key, as written
        std::wstring value;
    };

    static Line Parse(std::wstring text);
    // Index of the section's header line, or -1.
    long FindSection(std::wstring_view section) const;
    // Index one past the section's last line.
    size_t SectionEnd(size_t header) const;

    std::vector<Line> lines_;
    Encoding encoding_ = Encoding::Utf8;
    bool crlf_ = false;
};
