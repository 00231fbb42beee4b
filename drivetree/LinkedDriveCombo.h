// The seam between the drive tree and the drive combo, as each side sees the other: the tree
// shows its selected drive in the combo, and a drive chosen in the combo moves the tree.
#pragma once

namespace drivetree {

class TComboDriveTree;

// The drive combo, as the tree sees it.
class TLinkedDriveCombo {
public:
    // Shows the drive; the tree is not told back.
    virtual void SetDrive(char drive) = 0;
    // The tree this combo belongs to, or none.
    virtual TComboDriveTree* DriveView() const = 0;
    // The tree telling the combo that it is now linked to `tree` (none: unlinked); only a tree
    // calls it, from its SetDriveCombo.
    virtual void DriveViewChanged(TComboDriveTree* tree) = 0;
    // Links the combo to a tree (none: unlinks it); moves the combo away from its previous tree
    // and the tree away from its previous combo. A combo unlinks itself before it goes.
    void SetDriveView(TComboDriveTree* tree);

protected:
    TLinkedDriveCombo() = default;
    TLinkedDriveCombo(const TLinkedDriveCombo&) = delete;
    TLinkedDriveCombo& operator=(const TLinkedDriveCombo&) = delete;
    virtual ~TLinkedDriveCombo() = default;
};

// The drive tree, as the combo sees it.
class TComboDriveTree {
public:
    // Moves to the folder last visited on the drive.
    virtual void ChangeDrive(char drive) = 0;
    // Links a combo (none: unlinks the present one); see TLinkedDriveCombo::SetDriveView.
    virtual void SetDriveCombo(TLinkedDriveCombo* combo) = 0;

protected:
    TComboDriveTree() = default;
    TComboDriveTree(const TComboDriveTree&) = delete;
    TComboDriveTree& operator=(const TComboDriveTree&) = delete;
    virtual ~TComboDriveTree() = default;
};

inline void TLinkedDriveCombo::SetDriveView(TComboDriveTree* tree) {
    if (tree)
        tree->SetDriveCombo(this);
    else if (TComboDriveTree* present = DriveView())
        present->SetDriveCombo(nullptr);
}

} // namespace drivetree
