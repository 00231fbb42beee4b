#include "dragdrop/DropMenu.h"

namespace dragdrop {

namespace {

// German, Spanish, French and Italian in code page 1252, Polish in 1250, Portuguese in 1252.
const TDropMenuCaptions kGerman = {"Hierher &kopieren", "Hierher &verschieben",
                                   "Verkn\xFC"
                                   "pfung(en) hier &erstellen",
                                   "&Abbrechen"};
const TDropMenuCaptions kSpanish = {"&Copie aqu\xED", "&Mu\xE9vase aqu\xED", "&Atajo(s) crea aqu\xED ",
                                    "&Aborto"};
const TDropMenuCaptions kFrench = {"&Copier ici", "&Transf\xE9rer ici",
                                   "&Cr\xE9"
                                   "er un ou des raccourci(s) ici",
                                   "&Arr\xEAt"};
const TDropMenuCaptions kItalian = {"&Copiare qui", "&Muoversi qui", "&Scorciatoia(e) crea qui",
                                    "&Terminazione"};
const TDropMenuCaptions kPolish = {"&Kopiuj tutaj", "&Przenie\x9C tutaj", "Utw\xF3rz &skr\xF3t(y) tutaj",
                                   "&Anuluj"};
const TDropMenuCaptions kPortuguese = {"&Cop\xED"
                                       "e aqui",
                                       "&Mova aqui",
                                       "&Atalho(s) cr\xED"
                                       "a aqui",
                                       "&Aborto"};
const TDropMenuCaptions kEnglish = {"&Copy Here", "&Move Here", "&Shortcut(s) Create Here", "&Abort"};

void AddItem(HMENU menu, UINT command, const char* caption, bool isDefault) {
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
    mi.fType = MFT_STRING;
    mi.fState = isDefault ? MFS_DEFAULT : 0;
    mi.wID = command;
    mi.dwTypeData = const_cast<char*>(caption);
    InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &mi);
}

} // namespace

const TDropMenuCaptions& DropMenuCaptionsFor(WORD primaryLanguage) {
    switch (primaryLanguage) {
    case LANG_GERMAN:
        return kGerman;
    case LANG_SPANISH:
        return kSpanish;
    case LANG_FRENCH:
        return kFrench;
    case LANG_ITALIAN:
        return kItalian;
    case LANG_POLISH:
        return kPolish;
    case LANG_PORTUGUESE:
        return kPortuguese;
    default:
        return kEnglish;
    }
}

const TDropMenuCaptions& DropMenuCaptions() {
    static const TDropMenuCaptions& captions = DropMenuCaptionsFor(PRIMARYLANGID(GetSystemDefaultLangID()));
    return captions;
}

kovalin::UniqueHMenu BuildDropMenu(TDropEffects available, TDropEffects defaultEffect) {
    kovalin::UniqueHMenu owned(CreatePopupMenu());
    if (!owned) return owned;
    const HMENU menu = owned.get();
    const TDropMenuCaptions& c = DropMenuCaptions();
    if (available & deMove) AddItem(menu, dmMove, c.Move, defaultEffect == deMove);
    if (available & deCopy) AddItem(menu, dmCopy, c.Copy, defaultEffect == deCopy);
    if (available & deLink) AddItem(menu, dmLink, c.Link, defaultEffect == deLink);
    MENUITEMINFOA sep{};
    sep.cbSize = sizeof sep;
    sep.fMask = MIIM_ID | MIIM_FTYPE;
    sep.fType = MFT_SEPARATOR;
    sep.wID = dmSeparator;
    InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &sep);
    AddItem(menu, dmCancel, c.Cancel, false);
    return owned;
}

TDropEffects EffectOfCommand(UINT command) {
    switch (command) {
    case dmMove:
        return deMove;
    case dmCopy:
        return deCopy;
    case dmLink:
        return deLink;
    default:
        return deNone;
    }
}

} // namespace dragdrop
