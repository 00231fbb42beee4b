#include "kovalin/PictureFormats.h"

#include <windows.h>

#include <algorithm>

namespace kovalin {

namespace {
std::vector<TPictureFormat>& Formats() {
    static std::vector<TPictureFormat> formats;
    return formats;
}
} // namespace

void TPictureFormats::Register(const std::string& extension, const std::string& description,
                               std::function<std::unique_ptr<TGraphic>()> create, const void* owner) {
    std::string ext = extension;
    CharLowerBuffA(ext.data(), static_cast<DWORD>(ext.size()));
    Formats().push_back({ext, description, std::move(create), owner});
}

void TPictureFormats::Unregister(const void* owner) {
    auto& f = Formats();
    f.erase(std::remove_if(f.begin(), f.end(), [owner](const TPictureFormat& p) { return p.owner == owner; }),
            f.end());
}

const TPictureFormat* TPictureFormats::Find(const std::string& extension) {
    const auto& f = Formats();
    for (auto it = f.rbegin(); it != f.rend(); ++it)
        if (lstrcmpiA(it->extension.c_str(), extension.c_str()) == 0) return &*it;
    return nullptr;
}

const std::vector<TPictureFormat>& TPictureFormats::All() {
    return Formats();
}

} // namespace kovalin
