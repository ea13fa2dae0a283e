// Language files (Windows-1252, CR LF) through both programs' loaders: any
// file loads, every caption is one line of it, and no byte is lost or changed
// by the code page. Input: the language file.

#include "cdrip/ui/language_table.h"
#include "converter/common/lang_loader.h"
#include "fuzz/support/fuzz_support.h"
#include "platform/profile/windows1252.h"

using namespace quandor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    folder.write(QStringLiteral("Test.lng"), bytes);
    const QString path = folder.file(QStringLiteral("Test.lng"));

    // The converter: a line ends at CR or CR LF; a lone LF is part of a line.
    const QStringList lines = tavrel::Lang_Loader::SplitLanguageText(bytes);
    fuzz::check(lines.size() <= 32767, "at most 32767 lines");
    for (const QString& line : lines) {
        fuzz::check(!line.contains(QLatin1Char('\r')), "converter lines hold no CR");
        fuzz::check(profile::fromWindows1252(profile::toWindows1252(line)) == line,
                    "converter captions keep their bytes");
    }
    fuzz::check(tavrel::Lang_Loader::LoadLanguageFile(path), "the converter loads a language file");
    fuzz::check(tavrel::Lang_Loader::LanguageLineCount() == lines.size(), "every line is a caption");
    for (int n = 0; n < lines.size(); ++n)
        fuzz::check(tavrel::Lang_Loader::Caption(n, QStringLiteral("\x01")) == lines[n], "caption n is line n");

    // The ripper: lines end at LF or CR LF; entry n is line n, up to 300.
    brenlow::LanguageTable table;
    fuzz::check(table.loadFile(path), "the ripper loads a language file");
    for (int n = 1; n <= brenlow::LanguageTable::kSize; ++n) {
        const QString line = table.line(n);
        fuzz::check(!line.contains(QLatin1Char('\n')), "ripper lines hold no LF");
        fuzz::check(QByteArrayView(bytes).contains(profile::toWindows1252(line)), "ripper entries come from the file");
    }
    return 0;
}
