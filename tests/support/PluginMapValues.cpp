#include "tests/support/PluginMapValues.h"

#include "kovalin/Registry.h"
#include "plugin_api/PluginMap.h"

namespace testsupport {

std::map<std::string, std::string> PluginMapValues() {
    std::map<std::string, std::string> values;
    kovalin::TRegistry reg;
    if (!reg.OpenKey(kplug::kOpenPluginMapKey, true)) return values;
    for (const std::string& name : reg.GetValueNames())
        values[name] = reg.ReadString(name);
    return values;
}

void SetPluginMapValues(const std::map<std::string, std::string>& values) {
    kovalin::TRegistry reg;
    if (!reg.OpenKey(kplug::kOpenPluginMapKey, true)) return;
    for (const std::string& name : reg.GetValueNames())
        reg.DeleteValue(name);
    for (const auto& [name, data] : values)
        reg.WriteString(name, data);
}

} // namespace testsupport
