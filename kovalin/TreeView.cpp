#include "kovalin/TreeView.h"

#include "kovalin/BlockPool.h"
#include "kovalin/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace kovalin {

namespace {

LRESULT Send(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0) {
    return SendMessageA(h, msg, w, l);
}

TTreeNode* NodeOfParam(LPARAM param) {
    return reinterpret_cast<TTreeNode*>(param);
}

} // namespace

// --- TTreeNode ---------------------------------------------------------------------------------

void* TTreeNode::operator new(size_t size) {
    return TPoolOf<TTreeNode>::Allocate(size);
}

void TTreeNode::operator delete(void* block, size_t size) noexcept {
    TPoolOf<TTreeNode>::Free(block, size);
}

TTreeNode::TTreeNode(TTreeView& owner, TTreeNode* parent)
    : owner_(owner), parent_(parent), level_(parent ? parent->level_ + 1 : 0) {}

std::string TTreeNode::Text() const {
    char buf[1024] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = item_;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    owner_.Request(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.pszText ? std::string(item.pszText) : std::string();
}

void TTreeNode::SetText(const std::string& text) {
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = item_;
    item.pszText = const_cast<char*>(text.c_str());
    owner_.Request(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void TTreeNode::SetImageIndex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    InvalidateLine();
}

void TTreeNode::SetSelectedIndex(int index) {
    if (index == selectedIndex_) return;
    selectedIndex_ = index;
    InvalidateLine();
}

void TTreeNode::SetOverlayIndex(int index) {
    if (index == overlayIndex_) return;
    overlayIndex_ = index;
    TVITEMA item{};
    item.mask = TVIF_STATE;
    item.hItem = item_;
    item.stateMask = TVIS_OVERLAYMASK;
    item.state = index >= 0 ? INDEXTOOVERLAYMASK(index + 1) : 0;
    owner_.Request(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

bool TTreeNode::HasChildren() {
    if (children_ == Children::Ask) owner_.ResolveHasChildren(this);
    return children_ == Children::Yes;
}

void TTreeNode::SetHasChildren(bool value) {
    Children c = value ? Children::Yes : Children::No;
    if (c == children_) return;
    children_ = c;
    InvalidateLine();
}

void TTreeNode::SetHasChildrenDeferred() {
    children_ = Children::Ask;
    InvalidateLine();
}

bool TTreeNode::Expanded() const {
    return (owner_.Request(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item_), TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
}

void TTreeNode::Expand(bool recurse) {
    owner_.Request(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item_));
    if (!recurse) return;
    for (TTreeNode* child = GetFirstChild(); child; child = child->GetNextSibling())
        child->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
    if (recurse)
        for (TTreeNode* child = GetFirstChild(); child; child = child->GetNextSibling())
            child->Collapse(true);
    owner_.Request(TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item_));
}

bool TTreeNode::Selected() const {
    return owner_.Selected() == this;
}

void TTreeNode::MakeVisible() {
    owner_.Request(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item_));
}

RECT TTreeNode::DisplayRect(bool textOnly) const {
    // The message takes the item in the rectangle's first bytes.
    RECT r{};
    std::memcpy(&r, &item_, sizeof item_);
    if (!owner_.Request(TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&r))) r = RECT{};
    return r;
}

void TTreeNode::InvalidateLine() const {
    // What the control has not drawn yet it draws from the node when it comes to it.
    if (!drawn_ || owner_.answering_) return;
    RECT r = DisplayRect(false);
    if (r.bottom > r.top) InvalidateRect(owner_.Handle(), &r, TRUE);
}

TTreeNode* TTreeNode::GetFirstChild() const {
    return owner_.NodeFromItem(owner_.NextItem(item_, TVGN_CHILD));
}

TTreeNode* TTreeNode::GetLastChild() const {
    TTreeNode* last = GetFirstChild();
    for (TTreeNode* n = last; n; n = n->GetNextSibling())
        last = n;
    return last;
}

TTreeNode* TTreeNode::GetNextSibling() const {
    return owner_.NodeFromItem(owner_.NextItem(item_, TVGN_NEXT));
}

TTreeNode* TTreeNode::GetPrevSibling() const {
    return owner_.NodeFromItem(owner_.NextItem(item_, TVGN_PREVIOUS));
}

void TTreeNode::Delete() {
    owner_.DeleteNode(this);
}

void TTreeNode::DeleteChildren() {
    owner_.DeleteChildrenOf(this);
}

bool TTreeNode::AlphaSort(bool recurse) {
    bool ok = owner_.Request(TVM_SORTCHILDREN, FALSE, reinterpret_cast<LPARAM>(item_)) != 0;
    if (recurse)
        for (TTreeNode* child = GetFirstChild(); child; child = child->GetNextSibling())
            if (!child->kids_.empty()) child->AlphaSort(true);
    return ok;
}

// --- TTreeView ---------------------------------------------------------------------------------

LRESULT TTreeView::Request(UINT msg, WPARAM wParam, LPARAM lParam) const {
    if (controlProc_) return CallWindowProcA(controlProc_, Handle(), msg, wParam, lParam);
    return SendMessageA(Handle(), msg, wParam, lParam);
}

HTREEITEM TTreeView::NextItem(HTREEITEM item, UINT relation) const {
    return reinterpret_cast<HTREEITEM>(Request(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

TTreeView::TTreeView(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    CreateParams cp;
    cp.className = WC_TREEVIEWA;
    cp.style = WS_CHILD | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;
    if (p.visible) cp.style |= WS_VISIBLE;
    if (!p.hideSelection) cp.style |= TVS_SHOWSELALWAYS;
    cp.exStyle = WS_EX_CLIENTEDGE;
    cp.subclass = true; // so that derived views hear of the mouse and the keyboard
    cp.left = p.left;
    cp.top = p.top;
    cp.width = p.width;
    cp.height = p.height;
    CreateHandle(cp);
    controlProc_ = reinterpret_cast<WNDPROC>(GetClassLongPtrA(Handle(), GCLP_WNDPROC));
    if (p.indent > 0) SetIndent(p.indent);
}

TTreeView::~TTreeView() {
    // Derived views are gone by now: nothing may reach them through notifications.
    destroying_ = true;
    if (IsWindow(Handle())) Request(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    topNodes_.clear();
    nodes_.clear();
}

TTreeNode* TTreeView::InsertItem(TTreeNode* parent, HTREEITEM after, const std::string& text) {
    std::unique_ptr<TTreeNode> node(new TTreeNode(*this, parent));
    TVINSERTSTRUCTA is{};
    is.hParent = parent ? parent->item_ : TVI_ROOT;
    is.hInsertAfter = after;
    // Images and the children flag always come from the node, through the callbacks.
    is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    is.item.pszText = const_cast<char*>(text.c_str());
    is.item.iImage = I_IMAGECALLBACK;
    is.item.iSelectedImage = I_IMAGECALLBACK;
    is.item.cChildren = I_CHILDRENCALLBACK;
    is.item.lParam = reinterpret_cast<LPARAM>(node.get());
    auto item = reinterpret_cast<HTREEITEM>(Request(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&is)));
    if (!item) throw EOutOfResources("Tree view: cannot insert \"" + text + "\"");
    node->item_ = item;
    TTreeNode* raw = node.get();
    nodes_.emplace(item, std::move(node));
    std::vector<TTreeNode*>& siblings = SiblingsOf(raw);
    raw->slot_ = siblings.size();
    siblings.push_back(raw);
    if (parent) parent->SetHasChildren(true);
    return raw;
}

TTreeNode* TTreeView::AddChild(TTreeNode* parent, const std::string& text) {
    return InsertItem(parent, TVI_LAST, text);
}

TTreeNode* TTreeView::Insert(TTreeNode* before, const std::string& text) {
    if (!before) return AddChild(nullptr, text);
    TTreeNode* prev = before->GetPrevSibling();
    return InsertItem(before->parent_, prev ? prev->item_ : TVI_FIRST, text);
}

TTreeNode* TTreeView::GetFirstNode() const {
    return NodeFromItem(NextItem(nullptr, TVGN_ROOT));
}

TTreeNode* TTreeView::NodeFromItem(HTREEITEM item) const {
    if (!item) return nullptr;
    auto it = nodes_.find(item);
    return it == nodes_.end() ? nullptr : it->second.get();
}

TTreeNode* TTreeView::GetNodeAt(int x, int y) const {
    TVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    Request(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    return (hit.flags & TVHT_ONITEM) ? NodeFromItem(hit.hItem) : nullptr;
}

// The control moves the selection off deleted items, but not always with a notification.
class TTreeView::SelectionWatch {
public:
    explicit SelectionWatch(TTreeView& view)
        : view_(view), before_(view.Selected()), changes_(view.selectionChanges_) {}
    void AnnounceMove() {
        TTreeNode* now = view_.Selected();
        if (now != before_ && view_.selectionChanges_ == changes_) view_.Change(now);
    }

private:
    TTreeView& view_;
    TTreeNode* before_;
    unsigned changes_;
};

std::vector<TTreeNode*>& TTreeView::SiblingsOf(TTreeNode* node) {
    return node->parent_ ? node->parent_->kids_ : topNodes_;
}

void TTreeView::CollectSubtree(TTreeNode* node, std::vector<TTreeNode*>& out) {
    size_t from = out.size();
    out.push_back(node);
    for (size_t i = from; i < out.size(); ++i)
        out.insert(out.end(), out[i]->kids_.begin(), out[i]->kids_.end());
}

void TTreeView::BeforeDeleting(const std::vector<TTreeNode*>& doomed) {
    if (destroying_) return;
    // A node that goes stops being the drop target first, and the tree shows it at once.
    if (TTreeNode* drop = DropTarget())
        for (TTreeNode* n = drop; n; n = n->parent_)
            if (std::find(doomed.begin(), doomed.end(), n) != doomed.end()) {
                SetDropTarget(nullptr);
                UpdateWindow(Handle());
                break;
            }
    for (TTreeNode* n : doomed)
        Delete(n);
}

void TTreeView::DeleteNode(TTreeNode* node) {
    std::vector<TTreeNode*> doomed;
    CollectSubtree(node, doomed);
    BeforeDeleting(doomed);
    SelectionWatch watch(*this);
    Request(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node->item_));
    std::vector<TTreeNode*>& siblings = SiblingsOf(node);
    siblings[node->slot_] = siblings.back();
    siblings[node->slot_]->slot_ = node->slot_;
    siblings.pop_back();
    for (TTreeNode* n : doomed)
        nodes_.erase(n->item_);
    watch.AnnounceMove();
}

void TTreeView::DeleteChildrenOf(TTreeNode* node) {
    if (node->kids_.empty()) return;
    std::vector<TTreeNode*> doomed;
    for (TTreeNode* child : node->kids_)
        CollectSubtree(child, doomed);
    BeforeDeleting(doomed);
    SelectionWatch watch(*this);
    // One message removes them all, where deleting them one by one costs a search of the whole
    // tree each; it also resets the node so that it is read through expanding again.
    TTreeNode::Children children = std::exchange(node->children_, TTreeNode::Children::Yes);
    resetting_ = true;
    Request(TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(node->item_));
    resetting_ = false;
    node->children_ = children;
    // Whatever a control that resets only expanded nodes left behind goes one by one.
    HTREEITEM left = NextItem(node->item_, TVGN_CHILD);
    for (; left; left = NextItem(node->item_, TVGN_CHILD))
        Request(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(left));
    TVITEMA item{};
    item.mask = TVIF_STATE;
    item.hItem = node->item_;
    item.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    Request(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    node->kids_.clear();
    for (TTreeNode* n : doomed)
        nodes_.erase(n->item_);
    watch.AnnounceMove();
}

void TTreeView::Clear() {
    std::vector<TTreeNode*> doomed;
    for (TTreeNode* n : topNodes_)
        CollectSubtree(n, doomed);
    BeforeDeleting(doomed);
    Request(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    topNodes_.clear();
    nodes_.clear();
}

TTreeNode* TTreeView::Selected() const {
    return NodeFromItem(NextItem(nullptr, TVGN_CARET));
}

void TTreeView::SetSelected(TTreeNode* node) {
    Request(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->item_ : nullptr));
}

TTreeNode* TTreeView::DropTarget() const {
    return NodeFromItem(NextItem(nullptr, TVGN_DROPHILITE));
}

void TTreeView::SetDropTarget(TTreeNode* node) {
    Request(TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(node ? node->item_ : nullptr));
}

TTreeNode* TTreeView::TopItem() const {
    return NodeFromItem(NextItem(nullptr, TVGN_FIRSTVISIBLE));
}

void TTreeView::SetTopItem(TTreeNode* node) {
    if (node) Request(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(node->item_));
}

bool TTreeView::AlphaSort(bool recurse) {
    bool ok = Request(TVM_SORTCHILDREN, FALSE, reinterpret_cast<LPARAM>(TVI_ROOT)) != 0;
    if (recurse)
        for (TTreeNode* n = GetFirstNode(); n; n = n->GetNextSibling())
            if (!n->kids_.empty()) n->AlphaSort(true);
    return ok;
}

void TTreeView::BeginUpdate() {
    if (updateCount_++ == 0) Send(Handle(), WM_SETREDRAW, FALSE);
}

void TTreeView::EndUpdate() {
    if (updateCount_ == 0 || --updateCount_ > 0) return;
    Send(Handle(), WM_SETREDRAW, TRUE);
    InvalidateRect(Handle(), nullptr, TRUE);
}

HIMAGELIST TTreeView::Images() const {
    return reinterpret_cast<HIMAGELIST>(Request(TVM_GETIMAGELIST, TVSIL_NORMAL));
}

void TTreeView::SetImages(HIMAGELIST list) {
    Request(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
}

HIMAGELIST TTreeView::StateImages() const {
    return reinterpret_cast<HIMAGELIST>(Request(TVM_GETIMAGELIST, TVSIL_STATE));
}

void TTreeView::SetStateImages(HIMAGELIST list) {
    Request(TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(list));
}

int TTreeView::Indent() const {
    return static_cast<int>(Request(TVM_GETINDENT));
}

void TTreeView::SetIndent(int value) {
    Request(TVM_SETINDENT, static_cast<WPARAM>(value));
}

bool TTreeView::HideSelection() const {
    return (GetWindowLongA(Handle(), GWL_STYLE) & TVS_SHOWSELALWAYS) == 0;
}

void TTreeView::SetHideSelection(bool value) {
    LONG style = GetWindowLongA(Handle(), GWL_STYLE);
    style = value ? (style & ~TVS_SHOWSELALWAYS) : (style | TVS_SHOWSELALWAYS);
    SetWindowLongA(Handle(), GWL_STYLE, style);
    Invalidate();
}

bool TTreeView::AutoExpand() const {
    return (GetWindowLongA(Handle(), GWL_STYLE) & TVS_SINGLEEXPAND) != 0;
}

void TTreeView::SetAutoExpand(bool value) {
    LONG style = GetWindowLongA(Handle(), GWL_STYLE);
    SetWindowLongA(Handle(), GWL_STYLE, value ? (style | TVS_SINGLEEXPAND) : (style & ~TVS_SINGLEEXPAND));
}

bool TTreeView::CanExpand(TTreeNode* node) {
    bool allow = true;
    if (OnExpanding) OnExpanding(node, allow);
    return allow;
}

bool TTreeView::CanCollapse(TTreeNode* node) {
    bool allow = true;
    if (OnCollapsing) OnCollapsing(node, allow);
    return allow;
}

bool TTreeView::CanChange(TTreeNode* node) {
    bool allow = true;
    if (OnChanging) OnChanging(node, allow);
    return allow;
}

void TTreeView::Change(TTreeNode* node) {
    if (OnChange) OnChange(node);
}

void TTreeView::GetImageIndex(TTreeNode* node) {
    if (OnGetImageIndex) OnGetImageIndex(node);
}

void TTreeView::GetSelectedIndex(TTreeNode* node) {
    if (OnGetSelectedIndex) OnGetSelectedIndex(node);
}

bool TTreeView::GetHasChildren(TTreeNode* node) {
    return OnGetHasChildren ? OnGetHasChildren(node) : false;
}

void TTreeView::CustomDrawItem(TTreeNode* node, TTreeItemDraw& draw) {
    if (OnCustomDrawItem) OnCustomDrawItem(node, draw);
}

void TTreeView::Delete(TTreeNode* node) {
    if (OnDeletion) OnDeletion(node);
}

bool TTreeView::ResolveHasChildren(TTreeNode* node) {
    if (node->children_ == TTreeNode::Children::Ask) {
        bool has = GetHasChildren(node);
        // The handler may have settled the flag itself.
        if (node->children_ == TTreeNode::Children::Ask)
            node->children_ = has ? TTreeNode::Children::Yes : TTreeNode::Children::No;
    }
    return node->children_ == TTreeNode::Children::Yes;
}

HFONT TTreeView::BoldFont() {
    if (!boldFont_) {
        auto font = reinterpret_cast<HFONT>(Send(Handle(), WM_GETFONT));
        LOGFONTA lf{};
        GetObjectA(font ? font : ControlFont(), sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        boldFont_.reset(CreateFontIndirectA(&lf));
    }
    return boldFont_.get();
}

LRESULT TTreeView::CustomDraw(NMTVCUSTOMDRAW* cd) {
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        TTreeNode* node = NodeOfParam(cd->nmcd.lItemlParam);
        if (!node) return CDRF_DODEFAULT;
        node->drawn_ = true;
        TTreeItemDraw draw{cd->nmcd.uItemState, cd->clrText, cd->clrTextBk};
        CustomDrawItem(node, draw);
        cd->clrText = draw.textColor;
        cd->clrTextBk = draw.backColor;
        if (draw.bold) {
            SelectObject(cd->nmcd.hdc, BoldFont());
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}

LRESULT TTreeView::NotifyHandler(NMHDR& notice) {
    NMHDR* header = &notice;
    if (destroying_) return 0;
    switch (header->code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        if (resetting_) return FALSE;
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
        TTreeNode* node = NodeOfParam(nm->itemNew.lParam);
        if (!node) return FALSE;
        bool allow = (nm->action & TVE_EXPAND) ? CanExpand(node) : CanCollapse(node);
        return allow ? FALSE : TRUE;
    }
    case TVN_SELCHANGINGA:
    case TVN_SELCHANGINGW: {
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
        return CanChange(nm->itemNew.hItem ? NodeOfParam(nm->itemNew.lParam) : nullptr) ? FALSE : TRUE;
    }
    case TVN_BEGINDRAGA:
    case TVN_BEGINDRAGW: {
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
        BeginDrag(NodeOfParam(nm->itemNew.lParam));
        return 0;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
        ++selectionChanges_;
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
        Change(nm->itemNew.hItem ? NodeOfParam(nm->itemNew.lParam) : nullptr);
        return 0;
    }
    case TVN_GETDISPINFOA:
    case TVN_GETDISPINFOW: {
        // Only images and the children flag are callbacks; both item layouts agree on them.
        auto* di = reinterpret_cast<NMTVDISPINFOA*>(header);
        TTreeNode* node = NodeOfParam(di->item.lParam);
        if (!node) return 0;
        node->drawn_ = true;
        answering_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{answering_};
        if (di->item.mask & TVIF_IMAGE) {
            GetImageIndex(node);
            di->item.iImage = node->imageIndex_;
        }
        if (di->item.mask & TVIF_SELECTEDIMAGE) {
            GetSelectedIndex(node);
            di->item.iSelectedImage = node->selectedIndex_;
        }
        if (di->item.mask & TVIF_CHILDREN) di->item.cChildren = ResolveHasChildren(node) ? 1 : 0;
        return 0;
    }
    case NM_CUSTOMDRAW:
        return CustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(header));
    }
    return 0;
}

} // namespace kovalin
