// The menu a drag with the right mouse button asks with: its captions in the user's language
// and the items that what both sides allow leaves.
#pragma once

#include "dragdrop/DropEffects.h"
#include "kovalin/Handles.h"

#include <string>

namespace dragdrop {

// Captions in the ANSI code page of their language.
struct TDropMenuCaptions {
    const char* Copy;
    const char* Move;
    const char* Link;
    const char* Cancel;
};

// The captions for a primary language (LANG_*); English for any language without its own.
const TDropMenuCaptions& DropMenuCaptionsFor(WORD primaryLanguage);
// The captions of this process, chosen once from the primary language of the system locale.
const TDropMenuCaptions& DropMenuCaptions();

// Command numbers of the drop menu; commands added by others start at dmFirstCustom.
inline constexpr UINT dmCancel = 0, dmMove = 1, dmCopy = 2, dmLink = 3, dmSeparator = 4, dmFirstCustom = 10;

// A popup menu with Move, Copy and Link (each when `available` holds it; the one equal to
// `defaultEffect` is the default item), a separator and Cancel.
kovalin::UniqueHMenu BuildDropMenu(TDropEffects available, TDropEffects defaultEffect);

// The effect a chosen standard command stands for (none for Cancel, the separator and others).
TDropEffects EffectOfCommand(UINT command);

} // namespace dragdrop
