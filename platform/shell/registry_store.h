#pragma once
// Per-user values kept where the system keeps them (the registry's SOFTWARE
// key on the original platform): a small store over QSettings. On Linux it is
// an INI file in the user's configuration folder; the environment variable
// QUANDOR_REGISTRY_FILE, or setFile(), points it elsewhere (tests do).

#include <QString>
#include <optional>

namespace quandor::shell {

class RegistryStore {
public:
    /// The store of one program, e.g. RegistryStore("Brenlow") for SOFTWARE\Brenlow.
    explicit RegistryStore(QString program);

    /// The value `name` of key `SOFTWARE\<program>\`; nothing when absent.
    std::optional<QString> value(const QString& name) const;
    /// Sets the value; false when the store could not be written.
    bool setValue(const QString& name, const QString& text);

    /// The file behind every store of this process (tests redirect it).
    static QString file();
    static void setFile(const QString& path);

private:
    QString program_;
};

} // namespace quandor::shell
