// Combo boxes of the drive tree's family: one whose open list is wide enough for its longest item
// and that tells how the list was closed, and the drive list built on it.
#pragma once

#include "drivetree/LinkedDriveCombo.h"
#include "kovalin/ComboBox.h"
#include "kovalin/Set.h"
#include "shell/IEDriveInfo.h"

#include <commctrl.h>

#include <functional>
#include <string>

namespace drivetree {

class TIECustomComboBox;
using TIECloseUpEvent = std::function<void(TIECustomComboBox& sender, bool selectionOK)>;

class TIECustomComboBox : public kovalin::TComboBox {
public:
    using Params = kovalin::TComboBox::Params;
    TIECustomComboBox(kovalin::TWinControl& parent, const Params& params);

    // Width of the open list in pixels; 0 or less fits the longest item.
    int DropDownFixedWidth() const { return dropDownFixedWidth_; }
    void SetDropDownFixedWidth(int value) { dropDownFixedWidth_ = value; }
    // Whether the list last closed with a confirmed choice.
    bool SelectionOK() const { return selectionOK_; }
    // The width the list was given when it last opened.
    int LastDropDownWidth() const { return lastDropDownWidth_; }

    // Pixel width of a text in the control's font.
    int GetTextWidth(const std::string& text) const;

    TIECloseUpEvent OnCloseUp;

protected:
    void DropDown() override;
    void CloseUp() override;
    void SelEndOk() override;
    void SelEndCancel() override;

private:
    int dropDownFixedWidth_ = 0;
    bool selectionOK_ = false;
    int lastDropDownWidth_ = 0;
};

// The ordinals are the system's drive type codes (GetDriveType).
enum TDriveType { dtUnknown, dtNoRootDrive, dtFloppy, dtFixed, dtRemote, dtCDROM, dtRAM };
using TDriveTypes = kovalin::TSet<TDriveType>;

class TIEDriveComboBox : public TIECustomComboBox, public TLinkedDriveCombo {
public:
    // The drive information is the program's; it outlives the combo.
    TIEDriveComboBox(kovalin::TWinControl& parent, const Params& params, shell::TDriveInfo& drives);
    ~TIEDriveComboBox() override;

    char Drive() const { return drive_; }
    // Selects a shown drive of the listed types; any other letter is ignored. The linked tree is
    // not told.
    void SetDrive(char drive) override;
    shell::TVolumeDisplayStyle DisplayStyle() const { return displayStyle_; }
    void SetDisplayStyle(shell::TVolumeDisplayStyle value);
    TDriveTypes DriveTypes() const { return driveTypes_; }
    void SetDriveTypes(TDriveTypes value);
    // The tree this combo belongs to (SetDriveView): choosing a drive moves the tree to it, and
    // the tree's selection sets Drive. Linked both ways; destroying either side unlinks it.
    TComboDriveTree* DriveView() const override { return driveView_; }
    void DriveViewChanged(TComboDriveTree* tree) override { driveView_ = tree; }

    // Clears and refills the list from the drive information, then selects Drive's item.
    void BuildItems();

protected:
    void Change() override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    void FontChanged() override { ApplyItemHeight(); }

private:
    std::string DriveName(char drive) const;
    void ApplyItemHeight();
    void SelectDriveItem();

    char drive_ = 'C';
    shell::TDriveInfo& driveInfo_;
    shell::TVolumeDisplayStyle displayStyle_ = shell::doPrettyName;
    TDriveTypes driveTypes_{dtFloppy, dtFixed, dtRemote, dtCDROM, dtRAM};
    TComboDriveTree* driveView_ = nullptr;
    HIMAGELIST images_ = nullptr; // the system's small icons: shared, never destroyed
};

} // namespace drivetree
