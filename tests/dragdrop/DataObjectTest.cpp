// The drag-and-drop COM objects on their own: format lists, data requests and their mismatches,
// enumeration, reference counts, the effect rules and the auto-scroll areas.
#include "dragdrop/DDInterfacedObject.h"
#include "dragdrop/DataObject.h"
#include "dragdrop/DropEffects.h"
#include "dragdrop/DropMenu.h"
#include "dragdrop/EnumFormatEtc.h"
#include "dragdrop/GlobalMemory.h"
#include "dragdrop/ScrollDetect.h"
#include "kovalin/ComPtr.h"
#include "kovalin/Exceptions.h"

#include <gtest/gtest.h>

#include <ole2.h>

using namespace dragdrop;
using kovalin::ComPtr;

namespace {

// A data object whose one format fails to render, and counts what it was asked.
class FailingData : public TDataObject {
public:
    int renders = 0;

protected:
    bool RenderData(const FORMATETC&, STGMEDIUM& medium) override {
        ++renders;
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = GlobalFromBytes("half made");
        throw kovalin::Exception("render failed");
    }
};

HGLOBAL Block(const std::string& s) {
    return GlobalFromBytes(s);
}

} // namespace

TEST(FormatEtcListTest, ItemsOutsideTheListAreRefused) {
    TFormatEtcList list;
    list.Add(MakeFormatEtc(CF_TEXT));
    list.Add(MakeFormatEtc(CF_HDROP));
    EXPECT_EQ(list.IndexOf(CF_HDROP), 1);
    EXPECT_EQ(list.IndexOf(CF_BITMAP), -1);
    try {
        list.Item(2);
        FAIL();
    } catch (const kovalin::ERangeError& e) {
        EXPECT_STREQ(e.what(), "Invalid item index");
    }
    EXPECT_THROW(list.SetItem(-1, MakeFormatEtc(CF_TEXT)), kovalin::ERangeError);
    EXPECT_THROW(list.Delete(5), kovalin::ERangeError);
    list.SetItem(0, MakeFormatEtc(CF_BITMAP, TYMED_GDI));
    EXPECT_EQ(list.Item(0).cfFormat, CF_BITMAP);
    EXPECT_EQ(list.Item(0).tymed, static_cast<DWORD>(TYMED_GDI));
}

TEST(DataObjectTest, RequestsAnswerWithTheMostSpecificMismatch) {
    ComPtr<TDataObject> data(new TDataObject);
    FORMATETC none = MakeFormatEtc(CF_TEXT);
    // No formats at all: every request is an invalid format.
    EXPECT_EQ(data->QueryGetData(&none), DV_E_FORMATETC);
    STGMEDIUM m{};
    EXPECT_EQ(data->GetData(&none, &m), DV_E_FORMATETC);

    data->Formats().Add(MakeFormatEtc(CF_HDROP, TYMED_HGLOBAL, DVASPECT_CONTENT, -1));
    FORMATETC ok = MakeFormatEtc(CF_HDROP);
    EXPECT_EQ(data->QueryGetData(&ok), S_OK);
    FORMATETC other = MakeFormatEtc(CF_TEXT);
    EXPECT_EQ(data->QueryGetData(&other), DV_E_FORMATETC);
    FORMATETC medium = MakeFormatEtc(CF_HDROP, TYMED_ISTREAM);
    EXPECT_EQ(data->QueryGetData(&medium), DV_E_TYMED);
    FORMATETC index = MakeFormatEtc(CF_HDROP, TYMED_HGLOBAL, DVASPECT_CONTENT, 3);
    EXPECT_EQ(data->QueryGetData(&index), DV_E_LINDEX);
    FORMATETC aspect = MakeFormatEtc(CF_HDROP, TYMED_HGLOBAL, DVASPECT_ICON, -1);
    EXPECT_EQ(data->QueryGetData(&aspect), DV_E_DVASPECT);
    // A second description that gets further decides the answer.
    data->Formats().Add(MakeFormatEtc(CF_HDROP, TYMED_ISTREAM, DVASPECT_ICON, 3));
    FORMATETC streamIcon = MakeFormatEtc(CF_HDROP, TYMED_ISTREAM, DVASPECT_CONTENT, 3);
    EXPECT_EQ(data->QueryGetData(&streamIcon), DV_E_DVASPECT);

    // Without the index and aspect checks only format and medium count.
    data->SetCheckLindex(false);
    data->SetCheckAspect(false);
    EXPECT_EQ(data->QueryGetData(&index), S_OK);
    EXPECT_EQ(data->QueryGetData(&aspect), S_OK);
}

TEST(DataObjectTest, SetDataAddsOrReplacesAndGivesTheBytesBack) {
    ComPtr<TDataObject> data(new TDataObject);
    const CLIPFORMAT preferred = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Preferred DropEffect"));
    FORMATETC f = MakeFormatEtc(preferred);
    STGMEDIUM in{TYMED_HGLOBAL, {nullptr}, nullptr};
    in.hGlobal = Block(std::string("\x02\0\0\0", 4));
    ASSERT_EQ(data->SetData(&f, &in, TRUE), S_OK);
    STGMEDIUM again{TYMED_HGLOBAL, {nullptr}, nullptr};
    again.hGlobal = Block(std::string("\x01\0\0\0", 4));
    ASSERT_EQ(data->SetData(&f, &again, TRUE), S_OK);
    EXPECT_EQ(data->Formats().Count(), 1);
    std::string bytes;
    ASSERT_TRUE(GetGlobalData(data.get(), preferred, bytes));
    EXPECT_EQ(bytes, std::string("\x01\0\0\0", 4));
    STGMEDIUM notGlobal{TYMED_ISTREAM, {nullptr}, nullptr};
    EXPECT_EQ(data->SetData(&f, &notGlobal, FALSE), DV_E_TYMED);
}

TEST(DataObjectTest, ARenderingErrorGivesAGeneralFailureAndAnEmptyMedium) {
    ComPtr<FailingData> data(new FailingData);
    data->Formats().Add(MakeFormatEtc(CF_TEXT));
    FORMATETC f = MakeFormatEtc(CF_TEXT);
    STGMEDIUM m{};
    m.tymed = TYMED_HGLOBAL; // garbage the callee must overwrite
    EXPECT_EQ(data->GetData(&f, &m), E_FAIL);
    EXPECT_EQ(m.tymed, static_cast<DWORD>(TYMED_NULL));
    EXPECT_EQ(m.hGlobal, nullptr);
    EXPECT_EQ(data->renders, 1);
    EXPECT_EQ(data->GetDataHere(&f, &m), E_NOTIMPL);
    EXPECT_EQ(data->DAdvise(&f, 0, nullptr, nullptr), OLE_E_ADVISENOTSUPPORTED);
}

TEST(DataObjectTest, EnumeratorsWorkOnTheirOwnCopies) {
    ComPtr<TDataObject> data(new TDataObject);
    data->Formats().Add(MakeFormatEtc(CF_TEXT));
    data->Formats().Add(MakeFormatEtc(CF_HDROP));
    data->Formats().Add(MakeFormatEtc(CF_BITMAP, TYMED_GDI));
    ComPtr<IEnumFORMATETC> en;
    EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, en.put()), E_NOTIMPL);
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, en.put()), S_OK);
    data->Formats().Clear(); // the enumerator keeps what it was given
    FORMATETC got[4];
    ULONG n = 0;
    EXPECT_EQ(en->Next(2, got, &n), S_OK);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(got[1].cfFormat, CF_HDROP);
    ComPtr<IEnumFORMATETC> clone;
    ASSERT_EQ(en->Clone(clone.put()), S_OK);
    EXPECT_EQ(en->Next(4, got, &n), S_FALSE);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(got[0].cfFormat, CF_BITMAP);
    // The clone goes on where the original was.
    EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0].cfFormat, CF_BITMAP);
    EXPECT_EQ(clone->Skip(1), S_FALSE);
    EXPECT_EQ(clone->Reset(), S_OK);
    EXPECT_EQ(clone->Skip(3), S_OK);
}

TEST(DataObjectTest, ReferencesAreCountedAndTheLastReleaseFreesTheObject) {
    const long before = TDDInterfacedObject::LiveObjects();
    IDataObject* raw = new TDataObject;
    EXPECT_EQ(TDDInterfacedObject::LiveObjects(), before + 1);
    EXPECT_EQ(raw->AddRef(), 2u);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(raw->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(raw));
    IDropTarget* wrong = nullptr;
    EXPECT_EQ(raw->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&wrong)), E_NOINTERFACE);
    EXPECT_EQ(wrong, nullptr);
    EXPECT_EQ(unknown->Release(), 2u);
    EXPECT_EQ(raw->Release(), 1u);
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_EQ(TDDInterfacedObject::LiveObjects(), before);
}

TEST(DropEffectTest, KeysAndBothSidesDecide) {
    const TDropEffects all = deCopy | deMove | deLink;
    EXPECT_EQ(ComputeDropEffect(MK_SHIFT, all, deCopy, false),
              deMove); // Shift wants move, whatever the source says
    EXPECT_EQ(ComputeDropEffect(MK_SHIFT, deCopy, all, false), deCopy);
    EXPECT_EQ(ComputeDropEffect(MK_SHIFT | MK_CONTROL, all, all, false), deLink);
    EXPECT_EQ(ComputeDropEffect(MK_SHIFT | MK_CONTROL, deCopy | deMove, all, false), deCopy);
    EXPECT_EQ(ComputeDropEffect(0, deMove | deLink, all, false), deMove);
    EXPECT_EQ(ComputeDropEffect(0, deLink, deCopy | deMove, false), deNone);
    EXPECT_EQ(ComputeDropEffect(0, all, all, true), deNone);
}

TEST(DropEffectTest, TheDragLoopsAnswerBecomesTheResult) {
    EXPECT_EQ(DragResultOf(DRAGDROP_S_CANCEL, 0, deCopy, true), TDragResult::drCancelled);
    EXPECT_EQ(DragResultOf(E_UNEXPECTED, 0, deCopy, true), TDragResult::drInvalid);
    EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, deCopy | deScroll, deCopy, true), TDragResult::drCopy);
    EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, deLink, deLink, true), TDragResult::drLink);
    // A target that did the move itself reports nothing: a move on the NT family only.
    EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, 0, deMove, true), TDragResult::drMove);
    EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, 0, deMove, false), TDragResult::drCancelled);
    // Released over a target that never accepted: nothing moved.
    EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, 0, deScroll, true), TDragResult::drCancelled);
}

TEST(ScrollDetectTest, EdgeAreasAndTooSmallControls) {
    TScrollDetectArea nearArea, farArea; // margin 0, range 10
    EXPECT_EQ(ScrollDirectionAt(0, 200, nearArea, farArea), TScrollDirection::sdNear);
    EXPECT_EQ(ScrollDirectionAt(10, 200, nearArea, farArea), TScrollDirection::sdNear);
    EXPECT_EQ(ScrollDirectionAt(11, 200, nearArea, farArea), TScrollDirection::sdNone);
    EXPECT_EQ(ScrollDirectionAt(188, 200, nearArea, farArea), TScrollDirection::sdNone);
    EXPECT_EQ(ScrollDirectionAt(189, 200, nearArea, farArea), TScrollDirection::sdFar);
    EXPECT_EQ(ScrollDirectionAt(199, 200, nearArea, farArea), TScrollDirection::sdFar);
    TScrollDetectArea margin{5, 10};
    EXPECT_EQ(ScrollDirectionAt(3, 200, margin, margin), TScrollDirection::sdNone);
    EXPECT_EQ(ScrollDirectionAt(196, 200, margin, margin), TScrollDirection::sdNone);
    EXPECT_EQ(ScrollDirectionAt(190, 200, margin, margin), TScrollDirection::sdFar);
    // When the near area reaches into the far one nothing scrolls.
    EXPECT_EQ(ScrollDirectionAt(2, 21, nearArea, farArea), TScrollDirection::sdNone);
    EXPECT_EQ(ScrollDirectionAt(2, 22, nearArea, farArea), TScrollDirection::sdNear);
    EXPECT_FALSE(CanScroll(nullptr, SB_VERT, TScrollDirection::sdFar));
}

TEST(ScrollDetectTest, ChangesNotifyTheOwner) {
    TScrollDetectOptions o;
    EXPECT_EQ(o.ScrollDelay(), 100);
    EXPECT_EQ(o.StartDelay(), 750);
    EXPECT_EQ(o.AreaBottom().Range, 10);
    EXPECT_FALSE(o.VertScrolling() || o.HorzScrolling() || o.VertPageScroll() || o.HorzPageScroll());
    int changes = 0;
    o.OnChange = [&] { ++changes; };
    o.SetStartDelay(750); // same value: no change
    o.SetStartDelay(500);
    o.SetAreaTop({2, 10});
    o.SetAreaTop({2, 10});
    o.SetVertPageScroll(true);
    EXPECT_EQ(changes, 3);
}

TEST(DropMenuBuildTest, OnlyWhatBothSidesAllowWithTheEffectAsDefault) {
    kovalin::UniqueHMenu menu = BuildDropMenu(deCopy | deLink, deLink);
    ASSERT_TRUE(menu.get());
    ASSERT_EQ(GetMenuItemCount(menu.get()), 4);
    EXPECT_EQ(GetMenuItemID(menu.get(), 0), dmCopy);
    EXPECT_EQ(GetMenuItemID(menu.get(), 1), dmLink);
    EXPECT_EQ(GetMenuDefaultItem(menu.get(), FALSE, 0), static_cast<UINT>(dmLink));
    EXPECT_EQ(GetMenuItemID(menu.get(), 3), dmCancel);
    EXPECT_EQ(EffectOfCommand(dmSeparator), deNone);
    EXPECT_EQ(EffectOfCommand(dmMove), deMove);
}
