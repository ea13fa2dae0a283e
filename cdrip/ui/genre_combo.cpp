#include "cdrip/ui/genre_combo.h"

#include "cdrip/encode/genre_names.h"

#include <QComboBox>
#include <QStringList>
#include <algorithm>

namespace brenlow {
namespace {

constexpr int kDefaultGenreEntry = 118; // "Rock & Roll" among the 148 sorted names

} // namespace

void fillGenreCombo(QComboBox& combo)
{
    QStringList names;
    for (const char* name : GenreNames)
        names.append(QString::fromLatin1(name));
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    combo.clear();
    combo.addItems(names);
    combo.setCurrentIndex(kDefaultGenreEntry);
}

} // namespace brenlow
