#pragma once
// The ripper's two per-machine values, key SOFTWARE\Brenlow\: `FirstLaunch`
// ("1" once the first start happened) and `Langue` ("0" to "4").

#include <QString>
#include <optional>

namespace brenlow {

std::optional<QString> readRegistryValue(const QString& name);
bool writeRegistryValue(const QString& name, const QString& text);

inline std::optional<QString> storedLanguage()
{
    return readRegistryValue(QStringLiteral("Langue"));
}

} // namespace brenlow
