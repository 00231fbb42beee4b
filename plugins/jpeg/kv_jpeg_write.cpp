// Entry points of the JPEG plug-in library that write: save, export and the quality setting.
#include "kovalin/Application.h"
#include "kovalin/Dialogs.h"
#include "plugin_api/KPlug.h"
#include "plugins/jpeg/hostbitmap.h"
#include "plugins/jpeg/jexport.h"
#include "plugins/jpeg/jpeg.h"
#include "plugins/jpeg/jsettings.h"

using namespace kovalin;
using namespace kvjpeg;

extern "C" BOOL WINAPI KPLUGsave(LPCSTR fileName, KPlugUnused, KPlugUnused, HBITMAP image) {
    try {
        RegisterJPEGFormat();
        THostBitmap bmp(image);
        TJPEGImage jpg;
        // Only the low byte of the stored number counts; the codec keeps it within 1..100.
        jpg.SetCompressionQuality(static_cast<TJPEGQualityRange>(StrToInt(ReadQualityText())));
        // Compressing before the file is opened keeps an existing file intact when it fails. The
        // host's own memory is compressed where it lies when it can be: no copy of a large image.
        if (bmp.Rows()) {
            jpg.CompressRows(*bmp.Rows());
        } else {
            jpg.Assign(bmp.Bitmap());
            jpg.JPEGNeeded();
        }
        // No image, no file: an empty file under a JPEG name would be reported as a success.
        if (jpg.Data().Data->Size() == 0) return FALSE;
        jpg.SaveToFile(fileName ? fileName : "");
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

extern "C" BOOL WINAPI KPLUGexport(KPlugUnused, HWND appWindow, HBITMAP image) {
    std::string tempPath;
    try {
        RegisterJPEGFormat();
        Application().SetHandle(appWindow);
        try {
            // The handle is ours from here on, even when the export ends early with an error.
            THostBitmap bmp(image);
            tempPath = ExportTempPath();
            std::string qualityText = ReadQualityText();
            int quality = StrToInt(qualityText);
            TfrmJExport frm(bmp.Bitmap(), tempPath);
            frm.tbrQuality->SetPosition(quality);
            frm.lblQuality->SetCaption(qualityText);
            frm.tbrQualityChange();
            frm.ShowModal();
        } catch (const EAbort&) {
        } catch (const std::exception& e) {
            MessageBoxA(appWindow, e.what(), "JPEG Export", MB_OK | MB_ICONERROR);
        }
    } catch (...) {
    }
    if (!tempPath.empty()) DeleteFileA(tempPath.c_str());
    return TRUE;
}

extern "C" BOOL WINAPI KPLUGconfig(KPlugUnused) {
    try {
        RegisterJPEGFormat();
        std::string text = ReadQualityText();
        if (InputQuery("JPEG Plug-in", "Changing JPEG compression quality - from 1 to 100", text)) {
            int quality = 0;
            if (!TryStrToInt(text, quality)) quality = 80;
            WriteQualityText(std::to_string(quality));
        }
    } catch (...) {
    }
    return TRUE;
}
