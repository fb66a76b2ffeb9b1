// An INI settings file as the host reads and writes it: sections and keys without regard to case, values
// as text, every other line and comment kept byte for byte when a key is written.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    // Reads a file; a missing file is an empty store. False when the file exists but cannot be read.
    bool Load(const std::filesystem::path& path);
    // Writes the store back through a temporary file and a rename (a link is written through to its
    // target), creating the file's folder when missing. Lines not changed are written as they were read,
    // bytes that are not valid text included; the encoding (UTF-8, UTF-8 with a byte order mark, or
    // UTF-16LE) and the line ends of the loaded file are kept for the lines written anew.
    bool Save(const std::filesystem::path& path) const;

    // The value of a key, spaces around it removed and one pair of enclosing double quotes taken off;
    // "" when the section or key is missing. The first of several equal keys wins. Bytes that are not
    // UTF-8 read as Latin-1, as older tools write them.
    std::wstring Get(std::wstring_view section, std::wstring_view key) const;
    bool Has(std::wstring_view section, std::wstring_view key) const;
    // Replaces the key's line, or adds it after the section's last key, or adds the section at the end.
    void Set(std::wstring_view section, std::wstring_view key, std::wstring_view value);
    // Drops the key's lines (every equal key) from the section; false when there were none.
    bool Remove(std::wstring_view section, std::wstring_view key);
    // Drops the section, its header and every line up to the next section; false when it is missing.
    bool RemoveSection(std::wstring_view section);
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
        std::string raw;       // the line's bytes in the file, without its "\n"
        bool original = false; // read from the file and not changed since: Save writes raw
        LineKind kind = LineKind::Other;
        std::wstring name; // section or key, as written
        std::wstring value;
    };

    static Line Parse(std::wstring text);
    // A line read from the file: its text decoded from the bytes, which are kept.
    Line Read(std::string raw);
    // Text in the file's encoding.
    std::string Encode(const std::wstring& text) const;
    // Index of the section's header line, or -1.
    long FindSection(std::wstring_view section) const;
    // Index one past the section's last line.
    size_t SectionEnd(size_t header) const;

    std::vector<Line> lines_;
    Encoding encoding_ = Encoding::Utf8;
    bool crlf_ = false;
    bool finalNewline_ = true; // false when the file's last line had no line end
};
