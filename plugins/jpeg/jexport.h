// The "JPEG Export" dialog: quality and grayscale on one page, the compressed result and its
// file size on the other, and a Save button that writes the result under a name of the user's.
#pragma once

#include "kovalin/Bitmap.h"
#include "kovalin/Button.h"
#include "kovalin/CheckBox.h"
#include "kovalin/FileDialog.h"
#include "kovalin/Form.h"
#include "kovalin/GroupBox.h"
#include "kovalin/Image.h"
#include "kovalin/Label.h"
#include "kovalin/PageControl.h"
#include "kovalin/ScrollBox.h"
#include "kovalin/TabSheet.h"
#include "kovalin/TrackBar.h"

#include <memory>
#include <string>

namespace kvjpeg {

class TfrmJExport : public kovalin::TForm {
public:
    // The image and the temporary file's path are the export's; the dialog only uses them.
    TfrmJExport(kovalin::TBitmap& image, const std::string& tempPath);

    std::unique_ptr<kovalin::TPageControl> pclJExport;
    std::unique_ptr<kovalin::TTabSheet> shtSettings;
    std::unique_ptr<kovalin::TGroupBox> gbxQuality;
    std::unique_ptr<kovalin::TTrackBar> tbrQuality;
    std::unique_ptr<kovalin::TLabel> lblQuality;
    std::unique_ptr<kovalin::TCheckBox> cbxGrayScale;
    std::unique_ptr<kovalin::TTabSheet> shtPreview;
    std::unique_ptr<kovalin::TScrollBox> sbxPreview;
    std::unique_ptr<kovalin::TImage> imgPreview;
    std::unique_ptr<kovalin::TLabel> lblSize;
    std::unique_ptr<kovalin::TButton> btnSave;
    std::unique_ptr<kovalin::TButton> btnCancel;
    kovalin::TSaveDialog dlgJSave;

    // Compresses the image with the current settings into the temporary file and shows the result
    // and its size.
    void tbrQualityChange();
    void cbxGrayScaleClick();
    void btnSaveClick();
    void btnCancelClick();

private:
    kovalin::TBitmap& image_;
    std::string tempPath_;
};

} // namespace kvjpeg
