#pragma once
// The ripper's texts: 300 entries, entry n being line n (from 1) of the chosen
// language file in the Lang folder beside the executable. Every dialog and message names its
// texts by line number.

#include <QString>
#include <array>
#include <optional>

namespace brenlow {

class LanguageTable {
public:
    static constexpr int kSize = 300;

    /// Entry n (1..300); empty for an entry never loaded or out of range.
    QString line(int n) const;
    /// Entry n, or `english` when the file lacks it or leaves it empty: for
    /// the lines added after line 152, which an older or untranslated file
    /// does not have yet.
    QString text(int n, const QString& english) const;
    void setLine(int n, const QString& text);

    /// Replaces entry n by line n of the file (CR LF or LF, Windows-1252).
    /// Entries past the file's last line keep their text; lines past entry 300
    /// are ignored. False (table unchanged) when the file cannot be read.
    bool loadFile(const QString& path);

private:
    std::array<QString, kSize> lines_;
};

/// The language choice stored as `Langue`: 0 Francais, 1 English, 2 German,
/// 3 Nederlands, 4 Português; nothing for an absent or unknown value.
std::optional<int> languageChoice(const std::optional<QString>& langue);

/// The language file of a `Langue` value ("Zek_English.lng" for absent or unknown).
QString languageFileName(const std::optional<QString>& langue);

/// Loads the file chosen by the registry value `Langue` from <programFolder>/Lang.
bool loadLanguageFile(LanguageTable& table, const QString& programFolder);

} // namespace brenlow
