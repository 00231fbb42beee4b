// One column of a TListView in report style: caption, width and alignment, applied to the control
// at once.
#pragma once

#include <string>

namespace kovalin {

class TListView;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

class TListColumn {
public:
    struct Params {
        std::string caption;
        int width = 50;
        TAlignment alignment = TAlignment::taLeftJustify;
    };

    TListColumn(const TListColumn&) = delete;
    TListColumn& operator=(const TListColumn&) = delete;

    int Index() const { return index_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    // The width the control shows now, which the user may have changed by dragging the divider.
    int Width() const;
    void SetWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

private:
    friend class TListView;
    TListColumn(TListView& owner, int index, const Params& p)
        : owner_(owner), index_(index), caption_(p.caption), width_(p.width), alignment_(p.alignment) {}

    TListView& owner_;
    int index_;
    std::string caption_;
    int width_;
    TAlignment alignment_;
};

// The LVCFMT_* value of an alignment.
int ColumnFormat(TAlignment alignment);

} // namespace kovalin
