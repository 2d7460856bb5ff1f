#pragma once

#include <QString>

// The program's own registry values (such as "Path"), kept in
// $XDG_CONFIG_HOME/Quillaboard/Quillaboard.conf. The folder is taken from the environment at
// every call.
namespace appstore {

inline const QString PathValue = QStringLiteral("Path");

[[nodiscard]] QString storeFilePath();
// Empty when the value is absent.
[[nodiscard]] QString readValue(const QString& name);
[[nodiscard]] bool writeValue(const QString& name, const QString& value);
[[nodiscard]] bool removeValue(const QString& name);

} // namespace appstore
