#include "platform/appstore.h"

#include "platform/xdgpaths.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace appstore {

namespace {

// Values live in the [General] group of the store.
bool syncStore(QSettings& store) {
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace

QString storeFilePath() {
    return xdgConfigHome() + QStringLiteral("/Quillaboard/Quillaboard.conf");
}

QString readValue(const QString& name) {
    const QSettings store(storeFilePath(), QSettings::IniFormat);
    return store.value(name).toString();
}

bool writeValue(const QString& name, const QString& value) {
    const QString path = storeFilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSettings store(path, QSettings::IniFormat);
    store.setValue(name, value);
    return syncStore(store);
}

bool removeValue(const QString& name) {
    const QString path = storeFilePath();
    if (!QFileInfo::exists(path))
        return true;
    QSettings store(path, QSettings::IniFormat);
    store.remove(name);
    return syncStore(store);
}

} // namespace appstore
