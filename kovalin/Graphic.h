// The abstract graphic: something with a size that draws itself into a rectangle of a canvas,
// loads from and saves to streams, and reports changes and progress.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kovalin {

class TCanvas;
class TStream;

enum class TProgressStage { psStarting, psRunning, psEnding };

class TGraphic {
public:
    using TNotifyEvent = std::function<void(TGraphic& sender)>;
    using TProgressEvent = std::function<void(TGraphic& sender, TProgressStage stage, int percentDone,
                                              bool redrawNow, const RECT& r, const std::string& msg)>;

    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;
    virtual ~TGraphic() = default;

    virtual void Draw(TCanvas& canvas, const RECT& rect) = 0;
    virtual int Width() = 0;
    virtual int Height() = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool Empty() = 0;
    virtual HPALETTE Palette() { return nullptr; }
    virtual void SetPalette(HPALETTE) {}

    // Streams hold the graphic's file form; the base class raises EInvalidGraphicOperation.
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    // The clipboard form of the graphic (a format and its data handle, with a palette); the
    // handles given out belong to the caller. The base class raises EInvalidGraphicOperation.
    virtual void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
    virtual void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette);

    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

protected:
    void Changed();
    void Progress(TProgressStage stage, int percentDone, bool redrawNow, const RECT& r,
                  const std::string& msg);

private:
    bool modified_ = false;
};

} // namespace kovalin
