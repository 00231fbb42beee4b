// Drop effects, the result of a drag, and how the effect of a drop follows from the keys and from
// what both sides allow.
#pragma once

#include <windows.h>

#include <oleidl.h>

namespace dragdrop {

// A set of drop effects: the same bits as the system's.
using TDropEffects = DWORD;
inline constexpr TDropEffects deNone = 0;
inline constexpr TDropEffects deCopy = DROPEFFECT_COPY;
inline constexpr TDropEffects deMove = DROPEFFECT_MOVE;
inline constexpr TDropEffects deLink = DROPEFFECT_LINK;
inline constexpr TDropEffects deScroll = DROPEFFECT_SCROLL;

enum class TDragResult { drInvalid, drCancelled, drCopy, drMove, drLink };

enum class TRenderDataOn {
    rdoEnter,
    rdoEnterAndDropSync,
    rdoEnterAndDropAsync,
    rdoDropSync,
    rdoDropAsync,
    rdoNever
};

// Fields a requested format must match besides the clipboard format and the medium.
using TSourceCompatibility = DWORD;
inline constexpr TSourceCompatibility scCheckLindex = 1;
inline constexpr TSourceCompatibility scCheckdwAspect = 2;

// The effect for the key state (MK_*) from what the target accepts and the source allows; none
// for a refused own drag.
TDropEffects ComputeDropEffect(DWORD keyState, TDropEffects targetAccepts, TDropEffects sourceAllows,
                               bool refusedOwnDrag);

// What the system drag loop's answer means for the source. `lastFeedback` is the effect the
// target showed last before the drop: a drop without an effect onto a target that refused it
// is nothing, not a move.
TDragResult DragResultOf(HRESULT loopResult, DWORD effect, DWORD lastFeedback, bool ntFamily);

bool IsNtFamily();

} // namespace dragdrop
