// libFuzzer target: reading any bytes as a settings file must never crash, hang or
// allocate beyond the input; what it keeps must write back as readable bytes, and after the
// start-up's correction every key holds a value the program can use.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/SettingsKeys.h"
#include "settings/cValues.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cValues store;
    store.ReadData(std::string_view(reinterpret_cast<const char*>(data), size));
    cValues again;
    if (!again.ReadData(store.WriteData()) || again.WriteData() != store.WriteData()) __builtin_trap();
    DeclareSettingDefaults(store);
    ReplaceUnusableSettings(store);
    if (!ReplaceUnusableSettings(store).empty()) __builtin_trap();  // the correction left something unusable
    return 0;
}
