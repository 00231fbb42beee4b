// The module's registry of picture file formats: which graphic class reads which extension.
#pragma once

#include "kovalin/Graphic.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kovalin {

struct TPictureFormat {
    std::string extension; // lower case, without dot
    std::string description;
    std::function<std::unique_ptr<TGraphic>()> create;
    const void* owner; // identifies the registering class, for unregistering
};

class TPictureFormats {
public:
    static void Register(const std::string& extension, const std::string& description,
                         std::function<std::unique_ptr<TGraphic>()> create, const void* owner);
    static void Unregister(const void* owner);
    // The format registered last for the extension (any case), or nullptr.
    static const TPictureFormat* Find(const std::string& extension);
    static const std::vector<TPictureFormat>& All();
};

} // namespace kovalin
