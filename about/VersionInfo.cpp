#include "about/VersionInfo.h"

bool QueryVersionString(const VersionInfo& info, const QString& key, QString& value)
{
    for (const auto& [k, v] : info) {
        if (k == key) {
            value = v;
            return true;
        }
    }
    value.clear();
    return false;
}
