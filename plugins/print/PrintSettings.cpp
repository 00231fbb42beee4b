#include "plugins/print/PrintSettings.h"

#include "kovalin/Exceptions.h"
#include "plugins/print/view.h"

namespace kvprint {

using namespace kovalin;

namespace {

std::optional<int> ReadValue(const TRegistry& reg, const char* name) {
    try {
        return reg.ReadInteger(name);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

void CentreOnScreen(TForm& form) {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    int w = form.Width(), h = form.Height();
    form.SetBounds((area.left + area.right - w) / 2, (area.top + area.bottom - h) / 2, w, h);
}

} // namespace

int ZoomStateCode(TZoomState state) {
    switch (state) {
    case zsZoomOther:
        return 0;
    case zsZoomToFit:
        return 1;
    case zsZoomToHeight:
        return 2;
    case zsZoomToWidth:
        return 3;
    }
    return 1;
}

std::optional<TZoomState> ZoomStateFromCode(int code) {
    switch (code) {
    case 0:
        return zsZoomOther;
    case 1:
        return zsZoomToFit;
    case 2:
        return zsZoomToHeight;
    case 3:
        return zsZoomToWidth;
    }
    return std::nullopt;
}

void RestoreSettings(const TRegistry& reg, TfrmPrint& form) {
    TPrintPreview& prw = *form.prwPrint;
    // The orientation comes first: it swaps the paper's sides, which the stored sizes then match.
    if (auto v = ReadValue(reg, "Orientation")) {
        if (*v == 0)
            prw.SetOrientation(poPortrait);
        else if (*v == 1)
            prw.SetOrientation(poLandscape);
    }
    int width = ReadValue(reg, "Width").value_or(447);
    form.SetBounds(form.Left(), form.Top(), width, form.Height());
    int height = ReadValue(reg, "Height").value_or(342);
    form.SetBounds(form.Left(), form.Top(), form.Width(), height);
    prw.SetPaperWidth(ReadValue(reg, "PaperWidth").value_or(2100));
    prw.SetPaperHeight(ReadValue(reg, "PaperHeight").value_or(2970));
    if (auto code = ReadValue(reg, "ZoomState")) {
        if (auto state = ZoomStateFromCode(*code)) {
            if (*state == zsZoomOther) {
                if (auto zoom = ReadValue(reg, "Zoom"))
                    prw.SetZoom(*zoom);
                else
                    prw.SetZoomState(zsZoomToFit);
            } else {
                prw.SetZoomState(*state);
            }
        }
    } else {
        prw.SetZoomState(zsZoomToFit);
    }
    std::optional<int> top = ReadValue(reg, "Top");
    std::optional<int> left = ReadValue(reg, "Left");
    if (top && left)
        form.SetBounds(*left, *top, form.Width(), form.Height());
    else
        CentreOnScreen(form);
}

void SaveSettings(TRegistry& reg, TfrmPrint& form) {
    TPrintPreview& prw = *form.prwPrint;
    reg.WriteInteger("ZoomState", ZoomStateCode(prw.ZoomState()));
    if (prw.ZoomState() == zsZoomOther) reg.WriteInteger("Zoom", prw.Zoom());
    reg.WriteInteger("Orientation", prw.Orientation() == poLandscape ? 1 : 0);
    reg.WriteInteger("Width", form.Width());
    reg.WriteInteger("Height", form.Height());
    reg.WriteInteger("PaperWidth", ConvertUnits(prw.PaperWidth(), prw.DeviceDpiX(), prw.Units(), mmLoMetric));
    reg.WriteInteger("PaperHeight",
                     ConvertUnits(prw.PaperHeight(), prw.DeviceDpiY(), prw.Units(), mmLoMetric));
    reg.WriteInteger("Top", form.Top());
    reg.WriteInteger("Left", form.Left());
}

} // namespace kvprint
