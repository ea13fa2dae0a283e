#include "cdrip/ui/brenlow_registry.h"

#include "platform/shell/registry_store.h"

namespace brenlow {

std::optional<QString> readRegistryValue(const QString& name)
{
    return quandor::shell::RegistryStore(QStringLiteral("Brenlow")).value(name);
}

bool writeRegistryValue(const QString& name, const QString& text)
{
    return quandor::shell::RegistryStore(QStringLiteral("Brenlow")).setValue(name, text);
}

} // namespace brenlow
