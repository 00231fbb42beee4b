// A tree view over the system's SysTreeView32. The view owns its nodes and each node owns its data;
// images and the children flag are asked for when the control first needs them.
#pragma once

#include "kovalin/Handles.h"
#include "kovalin/WinControl.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kovalin {

class TTreeView;

// What a node carries for its user; freed exactly once, together with its node.
class TTreeNodeData {
public:
    TTreeNodeData() = default;
    TTreeNodeData(const TTreeNodeData&) = delete;
    TTreeNodeData& operator=(const TTreeNodeData&) = delete;
    virtual ~TTreeNodeData() = default;
};

class TTreeNode {
public:
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;
    // Nodes come and go by the ten thousand when a large folder is opened: their memory comes
    // from a pool.
    static void* operator new(size_t size);
    static void operator delete(void* block, size_t size) noexcept;

    HTREEITEM ItemId() const { return item_; }
    TTreeView& TreeView() const { return owner_; }

    std::string Text() const;
    void SetText(const std::string& text);

    // Indexes into the view's image list; the control asks for them whenever it draws the node.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int index);
    // Overlay image of the image list (0 = the first overlay), -1 for none.
    int OverlayIndex() const { return overlayIndex_; }
    void SetOverlayIndex(int index);

    // Whether the node shows an expand button. A deferred flag is asked from the view
    // (GetHasChildren) when the control first needs it or when it is read here.
    bool HasChildren();
    void SetHasChildren(bool value);
    void SetHasChildrenDeferred();
    bool HasChildrenKnown() const { return children_ != Children::Ask; }

    bool Expanded() const;
    void Expand(bool recurse);
    void Collapse(bool recurse);
    bool Selected() const;
    void MakeVisible();
    // The node's rectangle in client coordinates: the whole line, or only its text.
    RECT DisplayRect(bool textOnly) const;

    TTreeNode* Parent() const { return parent_; }
    TTreeNode* GetFirstChild() const;
    TTreeNode* GetLastChild() const;
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // 0 for a top-level node.
    int Level() const { return level_; }
    // Number of direct children.
    int Count() const { return static_cast<int>(kids_.size()); }

    // Deletes the node with its subtree; the node and its data are gone afterwards.
    void Delete();
    void DeleteChildren();
    // Sorts the children by their text, case-insensitively.
    bool AlphaSort(bool recurse = false);

    TTreeNodeData* Data() const { return data_.get(); }
    void SetData(std::unique_ptr<TTreeNodeData> data) { data_ = std::move(data); }

private:
    friend class TTreeView;
    enum class Children { No, Yes, Ask };
    TTreeNode(TTreeView& owner, TTreeNode* parent);
    void InvalidateLine() const;

    TTreeView& owner_;
    TTreeNode* parent_;
    HTREEITEM item_ = nullptr;
    int level_;
    // The children in no particular order (the control keeps the order): what deleting a subtree
    // frees, found without asking the control item by item.
    std::vector<TTreeNode*> kids_;
    size_t slot_ = 0; // index in the parent's kids_ (or the view's top-level list)
    int imageIndex_ = -1;
    int selectedIndex_ = -1;
    int overlayIndex_ = -1;
    Children children_ = Children::No;
    bool drawn_ = false; // the control has asked about the node: it has been on screen
    std::unique_ptr<TTreeNodeData> data_;
};

// How one item is about to be drawn; a handler may change the colours and ask for bold text.
struct TTreeItemDraw {
    UINT state;         // CDIS_* flags of the item
    COLORREF textColor; // as the control would draw it
    COLORREF backColor;
    bool bold = false;
};

class TTreeView : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 121, height = 97;
        bool visible = true;
        bool hideSelection = true;
        int indent = 0; // 0: the control's own
    };
    TTreeView(TWinControl& parent, const Params& p);
    ~TTreeView() override;

    // A new last child of parent (nullptr: a new last top-level node).
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
    // A new sibling directly before `before`.
    TTreeNode* Insert(TTreeNode* before, const std::string& text);
    TTreeNode* GetFirstNode() const;
    // All nodes of the view.
    int Count() const { return static_cast<int>(nodes_.size()); }
    void Clear();
    TTreeNode* NodeFromItem(HTREEITEM item) const;
    TTreeNode* GetNodeAt(int x, int y) const;

    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    // The node shown with the drop highlight, or nullptr.
    TTreeNode* DropTarget() const;
    void SetDropTarget(TTreeNode* node);
    TTreeNode* TopItem() const;
    void SetTopItem(TTreeNode* node);
    // Sorts the top-level nodes (and with recurse every level) by text.
    bool AlphaSort(bool recurse = false);

    // Suspends repainting until the matching EndUpdate; calls nest.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }

    // The view never destroys an image list it is given: its owner does, and the system's
    // lists belong to nobody.
    HIMAGELIST Images() const;
    void SetImages(HIMAGELIST list);
    HIMAGELIST StateImages() const;
    void SetStateImages(HIMAGELIST list);

    int Indent() const;
    void SetIndent(int value);
    bool HideSelection() const;
    void SetHideSelection(bool value);
    // Selecting a node expands it and collapses the branches the selection left.
    bool AutoExpand() const;
    void SetAutoExpand(bool value);
    bool Focused() const { return GetFocus() == Handle(); }

    std::function<void(TTreeNode* node, bool& allowExpansion)> OnExpanding;
    std::function<void(TTreeNode* node, bool& allowCollapse)> OnCollapsing;
    // The selection is about to move to node; clearing allowChange keeps it where it is.
    std::function<void(TTreeNode* node, bool& allowChange)> OnChanging;
    // The selection moved to node (nullptr: nothing is selected).
    std::function<void(TTreeNode* node)> OnChange;
    // Set the node's ImageIndex / SelectedIndex; called whenever the control draws it.
    std::function<void(TTreeNode* node)> OnGetImageIndex;
    std::function<void(TTreeNode* node)> OnGetSelectedIndex;
    std::function<bool(TTreeNode* node)> OnGetHasChildren;
    std::function<void(TTreeNode* node, TTreeItemDraw& draw)> OnCustomDrawItem;
    // The node is about to be deleted; its data is still there.
    std::function<void(TTreeNode* node)> OnDeletion;

protected:
    virtual bool CanExpand(TTreeNode* node);
    virtual bool CanCollapse(TTreeNode* node);
    virtual bool CanChange(TTreeNode* node);
    virtual void Change(TTreeNode* node);
    // The user began to drag the node with the left button (the control has let go of the mouse).
    virtual void BeginDrag(TTreeNode* /*node*/) {}
    virtual void GetImageIndex(TTreeNode* node);
    virtual void GetSelectedIndex(TTreeNode* node);
    virtual bool GetHasChildren(TTreeNode* node);
    virtual void CustomDrawItem(TTreeNode* node, TTreeItemDraw& draw);
    virtual void Delete(TTreeNode* node);

    LRESULT NotifyHandler(NMHDR& header) override;

private:
    friend class TTreeNode;
    // The control's item requests (TVM_*) go straight to the control's own procedure. Whatever
    // subclasses the control through the common controls (drag and drop does) looks itself up in
    // a window property at every message, which under Wine is a round trip to the window server:
    // for the ten thousand nodes of a large folder that costs more than the control's own work.
    // Nothing between the view and the control acts on these requests.
    LRESULT Request(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    HTREEITEM NextItem(HTREEITEM item, UINT relation) const;
    TTreeNode* InsertItem(TTreeNode* parent, HTREEITEM after, const std::string& text);
    void DeleteNode(TTreeNode* node);
    void DeleteChildrenOf(TTreeNode* node);
    static void CollectSubtree(TTreeNode* node, std::vector<TTreeNode*>& out);
    void BeforeDeleting(const std::vector<TTreeNode*>& doomed);
    std::vector<TTreeNode*>& SiblingsOf(TTreeNode* node);
    class SelectionWatch;
    bool ResolveHasChildren(TTreeNode* node);
    LRESULT CustomDraw(NMTVCUSTOMDRAW* cd);
    HFONT BoldFont();

    std::unordered_map<HTREEITEM, std::unique_ptr<TTreeNode>> nodes_;
    std::vector<TTreeNode*> topNodes_; // in no particular order, like TTreeNode::kids_
    int updateCount_ = 0;
    bool destroying_ = false;
    unsigned selectionChanges_ = 0; // TVN_SELCHANGED notifications so far
    bool resetting_ = false;        // removing a node's children through the control's collapse-reset
    bool answering_ = false;        // inside TVN_GETDISPINFO: the control is drawing the item anyway
    UniqueHFont boldFont_;
    WNDPROC controlProc_ = nullptr; // the tree control class's own procedure
};

} // namespace kovalin
